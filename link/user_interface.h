#pragma once

#include <string>

namespace kavrel {

// The controls that the link and the device operations reach by name. The first group
// belongs to wndMain, the second to wndInfo.
enum class Control {
    optSlave,
    optAutonomous,
    strAddress,
    chkCountRed,
    chkCountGreen,
    chkIndicationRuAu,
    btnTest,
    btnReset,
    btnWrite,
    btnRead,
    btnInfo,
    btnAbout,
    chkSoundOff,
    cmbSoundType,
    cmbPulseTime,
    strVolume,

    lblFirmwareVersion,
    lblDeviceClass,
    lblConfiguratorVersion,
    lblConfiguratorClass,
};

enum class MessageIcon { Error, Warning };

// Everything the toolkit-free layers need of the screen. The Qt shell implements it for
// the real program, the tests implement it in memory. All calls but ShowAnimationFrame
// come from the user-interface thread.
class UserInterface {
  public:
    virtual ~UserInterface() = default;

    // --- the form ---
    // State: 1/0 for an option or a check box, the selected item index for a list (-1 for
    // none). Setting a state, text or value byte from code never runs a form rule.
    virtual int State(Control control) const = 0;
    virtual void SetState(Control control, int state) = 0;
    virtual std::string Text(Control control) const = 0;
    virtual void SetText(Control control, const std::string& text) = 0;
    // The control's own enabled flag, whatever the window it sits in.
    virtual bool IsEnabled(Control control) const = 0;
    virtual void SetEnabled(Control control, bool enabled) = 0;
    virtual int ValueByte(Control control) const = 0;
    virtual void SetValueByte(Control control, int value) = 0;

    // Whether wndMain takes input. Its controls keep their own enabled flags underneath.
    virtual bool IsMainWindowEnabled() const = 0;
    virtual void SetMainWindowEnabled(bool enabled) = 0;

    // A modal message box with one OK button; returns once the operator dismissed it.
    virtual void ShowMessage(MessageIcon icon, const std::string& title,
                             const std::string& text) = 0;

    // --- wndInfo ---
    // Opens wndInfo over wndMain with its four value texts reading "000" and disables
    // wndMain; false when the window could not be created. Only "OK" closes it.
    virtual bool OpenInfoWindow() = 0;
    virtual bool IsInfoWindowOpen() const = 0;

    // --- the exchange window ---
    // Opens "Обмен данными" over wndMain showing animation frame 0 and "Отмена"; false
    // when it could not be opened. It does not touch wndMain's enabled state.
    virtual bool OpenExchangeWindow() = 0;
    // Called from the animation worker: must not block. The picture changes only when the
    // user-interface thread processes events.
    virtual void ShowAnimationFrame(int frame) = 0;
    // Closes the exchange window; true when it no longer exists.
    virtual bool CloseExchangeWindow() = 0;
    // Processes pending user-interface events once, without waiting, and tells whether the
    // exchange window's "Отмена" was pressed since the last poll (a press is kept until a
    // poll takes it).
    virtual bool PollCancel() = 0;
};

}  // namespace kavrel
