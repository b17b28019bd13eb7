#include <windows.h>

#include <algorithm>
#include <random>
#include <string_view>

#include "link/utf16_win32.h"
#include "tools/zorvik/port_list.h"

namespace kavrel::zorvik {

namespace {

// Temporary lists of earlier runs that were ended before they renamed theirs.
void RemoveLeftovers(const std::wstring& folder) {
    WIN32_FIND_DATAW entry{};
    const HANDLE found =
        FindFirstFileW((folder + L"\\" + Utf16(port_list::kFileName) + L".*").c_str(), &entry);
    if (found == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        if (IsTemporaryList(Utf8(entry.cFileName))) {
            DeleteFileW((folder + L"\\" + entry.cFileName).c_str());
        }
    } while (FindNextFileW(found, &entry));
    FindClose(found);
}

// A new file under `base` + "." + six random letters; the chosen name is left in `name`.
HANDLE CreateTemporary(const std::wstring& base, std::wstring& name) {
    static constexpr std::wstring_view kLetters =
        L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::mt19937 random{std::random_device{}()};
    std::uniform_int_distribution<size_t> pick(0, kLetters.size() - 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = base + L"." + std::wstring(kTemporarySuffixLength, L'X');
        std::generate(name.end() - kTemporarySuffixLength, name.end(),
                      [&] { return kLetters[pick(random)]; });
        const HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) {
            return file;
        }
    }
    return INVALID_HANDLE_VALUE;
}

}  // namespace

bool WritePortList(const std::string& folder, const std::string& contents) {
    const std::wstring wideFolder = Utf16(folder);
    RemoveLeftovers(wideFolder);
    const std::wstring target = wideFolder + L"\\" + Utf16(port_list::kFileName);
    std::wstring temporary;
    const HANDLE file = CreateTemporary(target, temporary);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    const bool complete =
        WriteFile(file, contents.data(), static_cast<DWORD>(contents.size()), &written, nullptr) &&
        written == contents.size();
    const bool closed = CloseHandle(file);
    // The list takes its name in one step: a reader sees the old list or the new one.
    if (!complete || !closed ||
        !MoveFileExW(temporary.c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileW(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace kavrel::zorvik
