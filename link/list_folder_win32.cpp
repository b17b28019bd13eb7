#include <windows.h>

#include <string>

#include "link/list_folder.h"
#include "link/utf16_win32.h"

namespace kavrel {

namespace {

constexpr const wchar_t* kPerUserName = L"\\Kavrel";

std::string WithoutTrailingSeparator(std::string folder) {
    while (folder.size() > 1 && (folder.back() == '\\' || folder.back() == '/')) {
        folder.pop_back();
    }
    return folder;
}

// Whether this user may create files in `folder`: a file is made there and goes again. The
// access rules of Windows (inherited entries, the administrators' filtered token) are too
// many to judge the folder by looking at it.
bool MayWriteIn(const std::wstring& folder) {
    const std::wstring probe =
        folder + L"\\listport.probe." + std::to_wstring(GetCurrentProcessId());
    const HANDLE file = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    CloseHandle(file);
    return true;
}

std::wstring Environment(const wchar_t* name) {
    std::wstring value(MAX_PATH, L'\0');
    DWORD length = GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
    if (length >= value.size()) {
        value.resize(length);
        length = GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
    }
    value.resize(length < value.size() ? length : 0);
    return value;
}

}  // namespace

std::optional<std::string> ListFolder(const std::string& programFolder) {
    const std::string folder = WithoutTrailingSeparator(programFolder);
    if (MayWriteIn(Utf16(folder))) {
        return folder;
    }
    // Installed under Program Files: the list goes to %LOCALAPPDATA%\Kavrel.
    if (const std::wstring local = Environment(L"LOCALAPPDATA"); !local.empty()) {
        const std::wstring perUser = local + kPerUserName;
        CreateDirectoryW(perUser.c_str(), nullptr);  // when missing; judged below
        const DWORD attributes = GetFileAttributesW(perUser.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
            !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
            return Utf8(perUser);
        }
    }
    return std::nullopt;
}

}  // namespace kavrel
