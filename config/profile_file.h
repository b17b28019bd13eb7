#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace kavrel {

// Why a settings file could not be written.
enum class FileWriteFault { None, NoPermission, NoSpace, Failed };

// A path given as UTF-8 text (a command line's argument, a window's text), whatever the
// platform's own narrow encoding.
inline std::filesystem::path PathFromUtf8(std::string_view utf8) {
    return std::u8string(utf8.begin(), utf8.end());
}

// The whole file, or nothing when it cannot be read.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path);

// Writes `text` to a temporary file beside `path` and renames it over `path`, so that a
// write that fails half-way leaves no half-written file and an older file whole.
FileWriteFault WriteFileAtomically(const std::filesystem::path& path, std::string_view text);

}  // namespace kavrel
