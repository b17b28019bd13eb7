#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace kavrel {

// The most of a port list that is read; a real list is a few hundred bytes, so only a
// stray file comes near it, and its bytes beyond the bound are ignored.
inline constexpr size_t kMaxPortListBytes = size_t{64} << 20;  // 64 MiB

// The first kMaxPortListBytes bytes of the port list at `path`, or nothing when it cannot
// be opened or read. Only a regular file is read: a FIFO, a directory or a device left
// under the list's name is refused without being opened, so nothing blocks or never ends.
std::optional<std::string> ReadPortList(const std::string& path);

}  // namespace kavrel
