#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace kavrel {

// The port lister's file in the program folder, as this platform names programs.
extern const std::string_view kListerFileName;

// How long the configurator waits for the port lister before ending it.
inline constexpr auto kListerTimeout = std::chrono::seconds(10);

// Starts the program without arguments in the current working folder and waits for it to
// end, at most kListerTimeout: a lister still running then is ended with every process it
// started (its process group; on Windows its job). The wait stays bounded even when the lister dies
// late; it is reaped whenever it does. False when it could not be started.
bool RunAndWait(const std::string& path);

}  // namespace kavrel
