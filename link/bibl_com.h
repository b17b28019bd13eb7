#pragma once

#include <string>
#include <string_view>

namespace kavrel {

class UserInterface;

// The folder of the running executable, with its trailing "/".
std::string ProgramFolder();

// Starts the program without arguments in the current working folder and waits for it to
// end, at most 10 s (a lister still running then is ended and reaped). False when it could
// not be started.
bool RunAndWait(const std::string& path);

// The port name of the last line of a port list that names a known cable, or "".
std::string PortNameFromList(std::string_view listBytes);

// Runs folder + "Zorvik", reads folder + "listport.txt"; reports a launch failure itself.
std::string FindCablePort(UserInterface& ui, const std::string& folder);

}  // namespace kavrel
