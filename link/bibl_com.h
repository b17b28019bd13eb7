#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace kavrel {

class UserInterface;

// How long the configurator waits for the port lister before ending it.
inline constexpr auto kListerTimeout = std::chrono::seconds(10);

// The folder of the running executable, with its trailing "/". Any length.
std::string ProgramFolder();

// Starts the program without arguments in the current working folder and waits for it to
// end, at most kListerTimeout: a lister still running then is ended (with every process
// of its group) and reaped. False when it could not be started.
bool RunAndWait(const std::string& path);

// The port name of the last line of a port list that names a known cable, or "".
std::string PortNameFromList(std::string_view listBytes);

// Runs folder + "Zorvik", reads folder + "listport.txt"; reports a launch failure itself.
std::string FindCablePort(UserInterface& ui, const std::string& folder);

}  // namespace kavrel
