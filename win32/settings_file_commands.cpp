#include "win32/settings_file_commands.h"

#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>
#include <windowsx.h>

#include <string>

#include "config/settings_file.h"
#include "config/window_texts.h"
#include "link/utf16_win32.h"

namespace kavrel {
namespace {

// Past IDOK and IDCANCEL and every control's identifier.
constexpr WORD kSaveCommand = 40001;
constexpr WORD kOpenCommand = 40002;
constexpr wchar_t kSettingsKey[] = L"Software\\Kavrel\\kavrel-configurator";
constexpr wchar_t kLastFolderValue[] = L"LastFolder";

std::wstring LastFolder() {
    wchar_t folder[MAX_PATH] = {};
    DWORD size = sizeof folder;
    if (RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, kLastFolderValue, RRF_RT_REG_SZ, nullptr,
                     folder, &size) == ERROR_SUCCESS &&
        std::filesystem::is_directory(folder)) {
        return folder;
    }
    PWSTR documents = nullptr;
    std::wstring path;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Documents, 0, nullptr, &documents))) {
        path = documents;
    }
    CoTaskMemFree(documents);
    return path;
}

void RememberFolder(const std::filesystem::path& file) {
    const std::wstring folder = file.parent_path().wstring();
    RegSetKeyValueW(HKEY_CURRENT_USER, kSettingsKey, kLastFolderValue, REG_SZ, folder.c_str(),
                    static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t)));
}

// The file the operator chose in the platform's save or open dialog; empty when none.
std::filesystem::path ChooseFile(HWND owner, bool save) {
    // "name\0pattern\0" pairs, ending in an empty name.
    const std::wstring filter = Utf16(texts::kSettingsFileFilter) + L'\0' + L"*.kavrel" + L'\0' +
                                Utf16(texts::kAllFilesFilter) + L'\0' + L"*" + L'\0';
    const std::wstring title =
        Utf16(save ? texts::kSaveSettingsDialogTitle : texts::kOpenSettingsDialogTitle);
    const std::wstring folder = LastFolder();
    const std::wstring extension = Utf16(texts::kSettingsFileExtension);
    std::wstring file(32768, L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    dialog.lpstrTitle = title.c_str();
    dialog.lpstrDefExt = extension.c_str();
    dialog.Flags = OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST | OFN_EXPLORER |
                   (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
    if (!(save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog))) {
        return {};
    }
    file.resize(file.find(L'\0'));
    RememberFolder(file);
    return file;
}

}  // namespace

SettingsFileCommands::SettingsFileCommands(HWND main, Form& form, Screen& screen)
    : main_(main), form_(form), screen_(screen) {
    DragAcceptFiles(main_, TRUE);
}

bool SettingsFileCommands::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            if (LOWORD(wParam) != kSaveCommand && LOWORD(wParam) != kOpenCommand) {
                return false;
            }
            if (IsWindowEnabled(main_)) {
                LOWORD(wParam) == kSaveCommand ? Save() : ChooseAndOpen();
            }
            return true;
        case WM_CONTEXTMENU: {  // an edit field shows its own menu and never passes it on
            if (!IsWindowEnabled(main_)) {
                return true;
            }
            HMENU menu = CreatePopupMenu();
            AppendMenuW(menu, MF_STRING, kSaveCommand,
                        (Utf16(texts::kSaveSettingsItem) + L"\tCtrl+S").c_str());
            AppendMenuW(menu, MF_STRING, kOpenCommand,
                        (Utf16(texts::kOpenSettingsItem) + L"\tCtrl+O").c_str());
            POINT where{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            if (where.x == -1 && where.y == -1) {  // from the keyboard: the window's corner
                where = {0, 0};
                ClientToScreen(main_, &where);
            }
            const UINT chosen = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, where.x,
                                               where.y, 0, main_, nullptr);
            DestroyMenu(menu);
            if (chosen != 0) {
                chosen == kSaveCommand ? Save() : ChooseAndOpen();
            }
            return true;
        }
        case WM_DROPFILES: {
            const auto drop = reinterpret_cast<HDROP>(wParam);
            std::wstring file;
            if (DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0) == 1) {
                file.resize(DragQueryFileW(drop, 0, nullptr, 0));
                DragQueryFileW(drop, 0, file.data(), static_cast<UINT>(file.size() + 1));
            }
            DragFinish(drop);
            if (!file.empty() && IsWindowEnabled(main_)) {
                RememberFolder(file);
                Open(file);
            }
            return true;
        }
        default:
            return false;
    }
}

void SettingsFileCommands::Open(const std::filesystem::path& path) {
    OpenSettingsFile(form_, screen_, path);
}

void SettingsFileCommands::Save() {
    const std::filesystem::path file = ChooseFile(main_, true);
    if (!file.empty()) {
        SaveSettingsFile(form_, screen_, file);
    }
}

void SettingsFileCommands::ChooseAndOpen() {
    const std::filesystem::path file = ChooseFile(main_, false);
    if (!file.empty()) {
        Open(file);
    }
}

bool TranslateSettingsFileKeys(MSG& message) {
    static ACCEL keys[] = {{FCONTROL | FVIRTKEY, 'S', kSaveCommand},
                           {FCONTROL | FVIRTKEY, 'O', kOpenCommand}};
    static const HACCEL table = CreateAcceleratorTableW(keys, 2);
    HWND window = GetAncestor(message.hwnd, GA_ROOT);
    return window != nullptr && TranslateAcceleratorW(window, table, &message) != 0;
}

}  // namespace kavrel
