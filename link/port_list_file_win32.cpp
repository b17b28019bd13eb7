#include <windows.h>

#include <algorithm>

#include "link/port_list_file.h"
#include "link/utf16_win32.h"

namespace kavrel {

namespace {

// Reads until the end of the file or `limit` bytes; nothing on a read error.
std::optional<std::string> ReadAtMost(HANDLE file, size_t limit) {
    std::string bytes;
    char chunk[4096];
    while (bytes.size() < limit) {
        DWORD count = 0;
        const auto wanted = static_cast<DWORD>(std::min(sizeof chunk, limit - bytes.size()));
        if (!ReadFile(file, chunk, wanted, &count, nullptr)) {
            return std::nullopt;
        }
        if (count == 0) {
            break;
        }
        bytes.append(chunk, count);
    }
    return bytes;
}

}  // namespace

std::optional<std::string> ReadPortList(const std::string& path) {
    // Shared for deleting, so that the lister can replace the list while it is read.
    const HANDLE file = CreateFileW(
        Utf16(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    std::optional<std::string> bytes;
    if (GetFileType(file) == FILE_TYPE_DISK) {
        bytes = ReadAtMost(file, kMaxPortListBytes);
    }
    CloseHandle(file);
    return bytes;
}

}  // namespace kavrel
