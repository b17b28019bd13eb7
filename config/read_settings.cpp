#include <string>

#include "config/commands.h"
#include "config/device_commands.h"
#include "config/form.h"
#include "config/operations.h"
#include "config/settings_coding.h"
#include "config/settings_table.h"
#include "config/volume.h"
#include "link/device_link.h"

namespace kavrel {

namespace {

// Each answer goes into its controls before the next command is sent, so a read that
// fails part-way leaves the settings answered so far on the form.

void ShowMode(Form& form, int mode) {
    if (mode != kModeSlave && mode != kModeAutonomous) {
        return;  // an unknown mode changes nothing
    }
    const bool slave = mode == kModeSlave;
    form.SetState(Control::optSlave, slave ? 1 : 0);
    form.SetState(Control::optAutonomous, slave ? 0 : 1);
    form.SetEnabled(Control::strAddress, slave);
    form.SetEnabled(Control::chkIndicationRuAu, slave);
    form.SetValueByte(Control::optSlave, mode);
    form.SetValueByte(Control::optAutonomous, mode);
}

void ShowAddress(Form& form, int address) {
    form.SetText(Control::strAddress, std::to_string(address));
    form.SetValueByte(Control::strAddress, address);
}

void ShowIndication(Form& form, int indication) {
    const std::pair<Control, int> boxes[] = {{Control::chkCountRed, kIndicationRedBit},
                                             {Control::chkCountGreen, kIndicationGreenBit},
                                             {Control::chkIndicationRuAu, kIndicationRuAuBit}};
    for (const auto& [box, bit] : boxes) {
        form.SetState(box, (indication & bit) != 0 ? 1 : 0);
        form.SetValueByte(box, indication);  // the whole byte, unknown bits included
    }
}

void ShowPulseTime(Form& form, int pulseTime) {
    form.SetState(Control::cmbPulseTime, PulseTimeItemFromByte(pulseTime));
    form.SetValueByte(Control::cmbPulseTime, pulseTime);
}

void ShowSoundOff(Form& form, int soundOff) {
    form.SetState(Control::chkSoundOff, SoundOffChecked(soundOff) ? 1 : 0);
    form.SetValueByte(Control::chkSoundOff, soundOff);
}

void ShowSoundType(Form& form, int soundType) {
    form.SetState(Control::cmbSoundType, SoundTypeItemFromByte(soundType));
    form.SetValueByte(Control::cmbSoundType, soundType);
}

void ShowVolume(Form& form, int volumeByte) {
    const int percent = VolumeByteToPercent(volumeByte);
    form.SetText(Control::strVolume, std::to_string(percent));
    form.SetValueByte(Control::strVolume, percent);
}

OperationResult ReadFromDevice(DeviceLink& link, Form& form) {
    if (link.OpenCableLink() != CableSearch::Found) {
        return OperationResult::NoCable;
    }
    if (const OperationResult compatible = CheckCompatibility(link);
        compatible != OperationResult::Ok) {
        return compatible;
    }
    if (const CommandAnswer begun = link.SendCommand(CMD_BEGIN_READ, kFetchValue); !begun.Ok()) {
        return ResultOfTransaction(begun.result);
    }
    for (const Setting& setting : kSettings) {
        const CommandAnswer answer = link.SendCommand(setting.getCommand, kFetchValue);
        if (!answer.Ok()) {
            return ResultOfTransaction(answer.result);
        }
        form.SettingRead(setting.control, answer.data);
        ShowSetting(form, setting.control, answer.data);
    }
    return OperationResult::Ok;
}

}  // namespace

void ShowSetting(Form& form, Control setting, int deviceByte) {
    switch (setting) {
        case Control::optSlave:
            return ShowMode(form, deviceByte);
        case Control::strAddress:
            return ShowAddress(form, deviceByte);
        case Control::chkCountRed:
            return ShowIndication(form, deviceByte);
        case Control::cmbPulseTime:
            return ShowPulseTime(form, deviceByte);
        case Control::chkSoundOff:
            return ShowSoundOff(form, deviceByte);
        case Control::cmbSoundType:
            return ShowSoundType(form, deviceByte);
        case Control::strVolume:
            return ShowVolume(form, deviceByte);
        default:
            return;
    }
}

OperationResult ReadSettings(DeviceLink& link, Form& form) {
    const auto session = link.Session();
    return ReadFromDevice(link, form);
}

}  // namespace kavrel
