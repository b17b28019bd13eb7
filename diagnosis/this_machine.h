#pragma once

// The diagnosis as the link asks for it: about this machine, as this process. Each answer
// is one cause line for the operator, "" (or false) when no cause is known. Linux reads
// sysfs, /proc and /dev (this_machine.cpp), Windows its device list
// (this_machine_win32.cpp).

#include <string>

namespace kavrel::diagnosis {

// Why no CH340 or Prolific port was found.
std::string NoCableCause();

// Why the port at `devicePath` did not open, from the errno value of the failed open.
std::string PortOpenCause(const std::string& devicePath, int openErrno);

// Whether another program has the port at `devicePath` open (always false on Windows,
// where the open itself refuses a held port).
bool AnotherProgramHolds(const std::string& devicePath);

}  // namespace kavrel::diagnosis
