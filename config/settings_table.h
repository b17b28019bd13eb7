#pragma once

#include <array>
#include <cstdint>

#include "config/commands.h"
#include "config/form.h"

namespace kavrel {

// The unit's seven settings in the order a read fetches them and a write sends them. Each
// setting is held by one control of wndMain (the mode also by optAutonomous, the
// indication also by the other two boxes); a profile names it by its key.
struct Setting {
    Control control;
    uint8_t getCommand;
    uint8_t setCommand;
    const char* profileKey;
    bool slaveOnly;  // the address belongs to the settings only in slave mode
    bool volume;     // the control holds the percent, the device a byte 0..255
};

inline constexpr std::array<Setting, 7> kSettings{{
    {Control::optSlave, CMD_GET_MODE, CMD_SET_MODE, "mode", false, false},
    {Control::strAddress, CMD_GET_ADDRESS, CMD_SET_ADDRESS, "address", true, false},
    {Control::chkCountRed, CMD_GET_INDICATION, CMD_SET_INDICATION, "indication", false, false},
    {Control::cmbPulseTime, CMD_GET_PULSE_TIME, CMD_SET_PULSE_TIME, "pulse_time", false, false},
    {Control::chkSoundOff, CMD_GET_SOUND_OFF, CMD_SET_SOUND_OFF, "sound_off", false, false},
    {Control::cmbSoundType, CMD_GET_SOUND_TYPE, CMD_SET_SOUND_TYPE, "sound_type", false, false},
    {Control::strVolume, CMD_GET_VOLUME, CMD_SET_VOLUME, "volume", false, true},
}};

// Shows a setting's byte, as the device sent it, on its controls and keeps it as their value
// byte (the coding of each setting: settings_coding.h).
void ShowSetting(Form& form, Control setting, int deviceByte);

}  // namespace kavrel
