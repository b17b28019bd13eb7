#pragma once

#include <optional>
#include <string>

namespace kavrel {

// The folder, without a trailing "/", where the port lister writes listport.txt and the
// configurator reads it; both programs ask here, so they always agree. It is the program
// folder when this user may write to it (a build tree, a portable copy); otherwise a
// private folder of this user: $XDG_RUNTIME_DIR/kavrel-configurator, else
// ~/.cache/kavrel-configurator, created owner-only when missing; on Windows
// %LOCALAPPDATA%\Kavrel. A private folder is taken
// only when it is a real folder (no link) of this user that nobody else may enter.
// Nothing when none of them will do: then no list can be written or read.
std::optional<std::string> ListFolder(const std::string& programFolder);

}  // namespace kavrel
