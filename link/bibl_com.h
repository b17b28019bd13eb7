#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
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

// The most of a port list that is read; a real list is a few hundred bytes, so only a
// stray file comes near it, and its bytes beyond the bound are ignored.
inline constexpr size_t kMaxPortListBytes = size_t{64} << 20;  // 64 MiB

// The first kMaxPortListBytes bytes of the port list at `path`, or nothing when it cannot
// be opened or read. Only a regular file is read: a FIFO, a directory or a device left
// under the list's name is refused without being opened, so nothing blocks or never ends.
std::optional<std::string> ReadPortList(const std::string& path);

// The port name of the last line of a port list that names a known cable, or "".
std::string PortNameFromList(std::string_view listBytes);

// Runs folder + "Zorvik", reads "listport.txt" in ListFolder(folder); reports a launch
// failure itself.
std::string FindCablePort(UserInterface& ui, const std::string& folder);

}  // namespace kavrel
