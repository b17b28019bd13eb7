#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <string_view>

#include "config/exact_volume.h"
#include "config/form.h"
#include "config/secondary_window_layout.h"
#include "link/screen.h"
#include "win32/dpi.h"
#include "win32/main_window.h"
#include "win32/pictures.h"
#include "win32/settings_file_commands.h"

namespace kavrel {

// The screen and the form drawn with the platform's own windows: wndMain with its 25
// controls and value bytes, wndInfo, wndAbout, the exchange window and message boxes.
class Win32UserInterface final : public Screen, public Form {
  public:
    // Creates wndMain hidden in its initial state, with the pictures at its dpi; throws when
    // it cannot be created. COM must be initialised on this thread.
    Win32UserInterface();
    ~Win32UserInterface() override;

    // `handler` runs on each user action of `control` (never when code sets it).
    void Connect(Control control, std::function<void()> handler);
    void ShowCentredOnScreen();
    SettingsFileCommands& Files() { return *files_; }

    // Form
    int State(Control control) const override;
    void SetState(Control control, int state) override;
    std::string Text(Control control) const override;
    void SetText(Control control, const std::string& text) override;
    void SetEnabled(Control control, bool enabled) override;
    int ValueByte(Control control) const override;
    void SetValueByte(Control control, int value) override;
    bool OpenInfoWindow() override;
    void OpenAboutWindow() override;
    void SettingRead(Control setting, int deviceByte) override;
    void VolumeByteOpened(int deviceByte) override { volume_.Opened(deviceByte); }
    int VolumeByteToWrite() const override;
    int VolumeByteToSave() const override;

    // Screen
    void ShowMessage(MessageIcon icon, const std::string& title, const std::string& text) override;
    void SetMainWindowEnabled(bool enabled) override;
    bool OpenExchangeWindow() override;
    void ShowAnimationFrame(int frame) override;
    bool CloseExchangeWindow() override;
    bool PollCancel() override;

  private:
    static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam);
    LRESULT Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void OnMainCommand(int id, int code);
    HWND CreateSecondary(std::string_view title, DWORD style, ClientSize client);
    void OnDpiChanged(HWND window, UINT dpi, const RECT& suggested);
    void OnActivate(HWND window, bool active);
    void DestroySecondary(HWND window);
    HWND Find(Control control) const;
    void CloseInfoWindow();
    void CloseAboutWindow();

    std::unique_ptr<Pictures> pictures_;
    UINT dpi_ = kLayoutDpi;  // of the pictures and the font
    HFONT font_ = nullptr;
    HWND main_ = nullptr;
    HWND info_ = nullptr;
    HWND about_ = nullptr;
    HWND exchange_ = nullptr;
    HWND animationImage_ = nullptr;
    HWND aboutBanner_ = nullptr;
    std::map<HWND, ScaledLayout> layouts_;  // of each open window
    std::map<HWND, HWND> focus_;            // each window's focused control while inactive
    MainControls controls_;
    std::map<Control, HWND> infoValues_;
    std::map<Control, int> valueBytes_;
    std::map<Control, std::function<void()>> handlers_;
    bool settingText_ = false;  // an edit field's change notice then comes from code
    CancelLatch cancel_;
    std::atomic<unsigned> exchangeGeneration_{0};
    VolumeBytes volume_;  // behind strVolume's percent
    std::unique_ptr<SettingsFileCommands> files_;
};

// Hands one message of the loop to its window, with keyboard navigation between controls.
void DeliverMessage(MSG& message);

}  // namespace kavrel
