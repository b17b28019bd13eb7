#include <cstdint>
#include <optional>
#include <string>

#include "config/commands.h"
#include "config/device_commands.h"
#include "config/operations.h"
#include "config/settings_coding.h"
#include "config/volume.h"
#include "link/device_link.h"
#include "link/user_interface.h"

namespace kavrel {

namespace {

// Each answer goes into its controls before the next command is sent, so a read that
// fails part-way leaves the settings answered so far on the form.

void ShowMode(UserInterface& ui, int mode) {
    if (mode != kModeSlave && mode != kModeAutonomous) {
        return;  // an unknown mode changes nothing
    }
    const bool slave = mode == kModeSlave;
    ui.SetState(Control::optSlave, slave ? 1 : 0);
    ui.SetState(Control::optAutonomous, slave ? 0 : 1);
    ui.SetEnabled(Control::strAddress, slave);
    ui.SetEnabled(Control::chkIndicationRuAu, slave);
    ui.SetValueByte(Control::optSlave, mode);
    ui.SetValueByte(Control::optAutonomous, mode);
}

void ShowAddress(UserInterface& ui, int address) {
    ui.SetText(Control::strAddress, std::to_string(address));
    ui.SetValueByte(Control::strAddress, address);
}

void ShowIndication(UserInterface& ui, int indication) {
    const std::pair<Control, int> boxes[] = {{Control::chkCountRed, kIndicationRedBit},
                                             {Control::chkCountGreen, kIndicationGreenBit},
                                             {Control::chkIndicationRuAu, kIndicationRuAuBit}};
    for (const auto& [box, bit] : boxes) {
        ui.SetState(box, (indication & bit) != 0 ? 1 : 0);
        ui.SetValueByte(box, indication);  // the whole byte, unknown bits included
    }
}

void ShowPulseTime(UserInterface& ui, int pulseTime) {
    ui.SetState(Control::cmbPulseTime, PulseTimeItemFromByte(pulseTime));
    ui.SetValueByte(Control::cmbPulseTime, pulseTime);
}

void ShowSoundOff(UserInterface& ui, int soundOff) {
    ui.SetState(Control::chkSoundOff, SoundOffChecked(soundOff) ? 1 : 0);
    ui.SetValueByte(Control::chkSoundOff, soundOff);
}

void ShowSoundType(UserInterface& ui, int soundType) {
    ui.SetState(Control::cmbSoundType, SoundTypeItemFromByte(soundType));
    ui.SetValueByte(Control::cmbSoundType, soundType);
}

void ShowVolume(UserInterface& ui, int volumeByte) {
    const int percent = VolumeByteToPercent(volumeByte);
    ui.SetText(Control::strVolume, std::to_string(percent));
    ui.SetValueByte(Control::strVolume, percent);
}

bool ReadFromDevice(DeviceLink& link) {
    if (link.OpenCableLink() != 0 || !CheckCompatibility(link) ||
        !SendCommand(link, CMD_BEGIN_READ, kFetchValue)) {
        return false;
    }
    const struct {
        uint8_t command;
        void (*show)(UserInterface&, int);
    } steps[] = {
        {CMD_GET_MODE, ShowMode},
        {CMD_GET_ADDRESS, ShowAddress},
        {CMD_GET_INDICATION, ShowIndication},
        {CMD_GET_PULSE_TIME, ShowPulseTime},
        {CMD_GET_SOUND_OFF, ShowSoundOff},
        {CMD_GET_SOUND_TYPE, ShowSoundType},
        {CMD_GET_VOLUME, ShowVolume},
    };
    for (const auto& step : steps) {
        const std::optional<uint8_t> answer = SendCommand(link, step.command, kFetchValue);
        if (!answer) {
            return false;
        }
        step.show(link.ui, *answer);
    }
    return true;
}

}  // namespace

void ReadSettings(DeviceLink& link) {
    link.session.BeginExchangeSession();
    ReadFromDevice(link);
    link.session.EndExchangeSession();
}

}  // namespace kavrel
