#pragma once

#include <windows.h>

#include <filesystem>

namespace kavrel {

class Form;
class Screen;

// Settings files in wndMain, beside its own controls: "Сохранить настройки в файл…"
// and "Открыть файл настроек…" in a context menu (a right click anywhere but an edit
// field), on Ctrl+S and Ctrl+O, and a file dropped on the window opened. None of them does
// anything while wndMain refuses input. The common dialogs start in the folder used last
// (HKCU\Software\Kavrel\kavrel-configurator, LastFolder), else the user's documents.
class SettingsFileCommands {
  public:
    SettingsFileCommands(HWND main, Form& form, Screen& screen);

    // wndMain's messages that belong to settings files; false for every other.
    bool Handle(UINT message, WPARAM wParam, LPARAM lParam);
    // Opens `path` into the form as a read of its bytes would leave it.
    void Open(const std::filesystem::path& path);

  private:
    void Save();
    void ChooseAndOpen();

    HWND main_;
    Form& form_;
    Screen& screen_;
};

// Turns Ctrl+S and Ctrl+O typed in any control of `message`'s window into that window's
// settings-file commands; true when it did.
bool TranslateSettingsFileKeys(MSG& message);

}  // namespace kavrel
