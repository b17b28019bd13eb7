#pragma once

#include <string>

#include "config/volume.h"

namespace kavrel {

// The controls that the device operations and the form rules reach by name. The first
// group belongs to wndMain, the second to wndInfo.
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

// The settings form as the operations and the form rules see it: wndMain's controls, each
// with its state, text, enabled flag and value byte, and the information window. Each
// front end implements it; the tests implement it in memory. Calls come from the
// user-interface thread only.
class Form {
  public:
    virtual ~Form() = default;

    // State: 1/0 for an option or a check box, the selected item index for a list (-1 for
    // none). Setting a state, text or value byte from code never runs a form rule.
    virtual int State(Control control) const = 0;
    virtual void SetState(Control control, int state) = 0;
    virtual std::string Text(Control control) const = 0;
    virtual void SetText(Control control, const std::string& text) = 0;
    virtual void SetEnabled(Control control, bool enabled) = 0;
    virtual int ValueByte(Control control) const = 0;
    virtual void SetValueByte(Control control, int value) = 0;

    // Opens wndInfo over wndMain with its four value texts reading "000" and makes wndMain
    // refuse input until it is closed; false when the window could not be created. Only
    // its "OK" closes it.
    virtual bool OpenInfoWindow() = 0;
    // Opens wndAbout over wndMain, which refuses input until it is closed.
    virtual void OpenAboutWindow() = 0;

    // A read hands over each setting's byte as the device sent it (the control is optSlave
    // for the mode, chkCountRed for the indication) before the controls show it. wndMain
    // needs none of it: its controls hold the settings. A front end that must reproduce
    // bytes the controls cannot hold (a mode byte of 3, a volume byte of 128) keeps them.
    virtual void SettingRead(Control, int) {}
    // The volume byte a write sends: strVolume's percent converted (50 -> 127), unless a
    // front end keeps the exact byte behind that percent.
    virtual int VolumeByteToWrite() const {
        return PercentToVolumeByte(ValueByte(Control::strVolume));
    }
    // Opening a settings file hands over the exact volume byte it holds, which a write then
    // sends while strVolume still shows that byte's percent.
    virtual void VolumeByteOpened(int) {}
    // The volume byte a settings file gets: the one a write sends, unless a front end keeps
    // the byte a read found behind that percent.
    virtual int VolumeByteToSave() const { return VolumeByteToWrite(); }
};

}  // namespace kavrel
