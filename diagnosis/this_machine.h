#pragma once

// The diagnosis as the link asks for it: about this machine, as this process. Each answer
// is one cause line for the operator, "" (or false) when no cause is known, which is
// always the answer where the platform has no diagnosis (Windows).

#include <string>

namespace kavrel::diagnosis {

// Why no CH340 or Prolific port was found.
std::string NoCableCause();

// Why the port at `devicePath` did not open, from the errno value of the failed open.
std::string PortOpenCause(const std::string& devicePath, int openErrno);

// Whether another program has the port at `devicePath` open.
bool AnotherProgramHolds(const std::string& devicePath);

// The unit stopped answering after the port hung up during the exchange.
std::string CableCameOff();

}  // namespace kavrel::diagnosis
