#include "cli/settings_form.h"

#include "config/form_rules.h"
#include "config/operations.h"
#include "config/settings_coding.h"
#include "config/startup_form.h"
#include "config/volume.h"

namespace kavrel::cli {

SettingsForm::SettingsForm() {
    using namespace startup;
    controls_ = {
        {Control::optSlave, {1, "Ведомый", true, kModeByte}},
        {Control::optAutonomous, {0, "Автономный", true, kModeByte}},
        {Control::strAddress, {0, "0", true, kAddressByte}},
        {Control::chkCountRed, {1, "", true, kIndicationByte}},
        {Control::chkCountGreen, {1, "", true, kIndicationByte}},
        {Control::chkIndicationRuAu, {0, "", true, kIndicationByte}},
        {Control::cmbPulseTime, {kPulseTimeItem, "10", true, kPulseTimeByte}},
        {Control::chkSoundOff, {0, "", false, kSoundOffByte}},
        {Control::cmbSoundType, {kSoundTypeItem, "", false, kSoundTypeByte}},
        {Control::strVolume, {0, "100", false, kVolumePercent}},
    };
}

bool SettingsForm::OpenInfoWindow() {
    for (Control label : {Control::lblFirmwareVersion, Control::lblDeviceClass,
                          Control::lblConfiguratorVersion, Control::lblConfiguratorClass}) {
        controls_[label].text = "000";
    }
    return true;
}

void SettingsForm::SettingRead(Control setting, int deviceByte) {
    read_[setting] = deviceByte;
    if (setting == Control::strVolume) {
        volumeByte_ = deviceByte;
    }
}

int SettingsForm::VolumeByteToWrite() const {
    const int percent = ValueByte(Control::strVolume);
    return volumeByte_ && VolumeByteToPercent(*volumeByte_) == percent
               ? *volumeByte_
               : PercentToVolumeByte(percent);
}

std::optional<DeviceSettings> SettingsForm::SettingsRead() const {
    if (read_.size() < 7) {
        return std::nullopt;
    }
    return DeviceSettings{read_.at(Control::optSlave),    read_.at(Control::strAddress),
                          read_.at(Control::chkCountRed), read_.at(Control::cmbPulseTime),
                          read_.at(Control::chkSoundOff), read_.at(Control::cmbSoundType),
                          read_.at(Control::strVolume)};
}

void SettingsForm::Load(const DeviceSettings& s) {
    const bool autonomous = s.mode == kModeAutonomous;
    controls_[Control::optSlave].state = s.mode == kModeSlave ? 1 : 0;
    controls_[Control::optAutonomous].state = autonomous ? 1 : 0;
    controls_[Control::optSlave].valueByte = s.mode;
    controls_[Control::optAutonomous].valueByte = s.mode;
    controls_[Control::strAddress] = {0, std::to_string(s.address), !autonomous, s.address};
    const std::pair<Control, int> boxes[] = {{Control::chkCountRed, kIndicationRedBit},
                                             {Control::chkCountGreen, kIndicationGreenBit},
                                             {Control::chkIndicationRuAu, kIndicationRuAuBit}};
    for (const auto& [box, bit] : boxes) {
        controls_[box].state = (s.indication & bit) != 0 ? 1 : 0;
        controls_[box].valueByte = s.indication;
    }
    controls_[Control::chkIndicationRuAu].enabled = !autonomous;
    controls_[Control::cmbPulseTime] = {PulseTimeItemFromByte(s.pulseTime), "", true, s.pulseTime};
    controls_[Control::chkSoundOff] = {SoundOffChecked(s.soundOff) ? 1 : 0, "", false, s.soundOff};
    controls_[Control::cmbSoundType] = {SoundTypeItemFromByte(s.soundType), "", false, s.soundType};
    const int percent = VolumeByteToPercent(s.volume);
    controls_[Control::strVolume] = {0, std::to_string(percent), false, percent};
    volumeByte_ = s.volume;
}

void SettingsForm::SelectMode(bool slave) {
    SetState(Control::optSlave, slave ? 1 : 0);
    SetState(Control::optAutonomous, slave ? 0 : 1);
    ApplyModeRule(*this);
}

void SettingsForm::TypeAddress(const std::string& text) {
    SetText(Control::strAddress, text);
    CheckAddressInput(*this);
}

void SettingsForm::Check(Control box, bool checked) {
    SetState(box, checked ? 1 : 0);
    ApplyIndicationRule(*this);
}

void SettingsForm::SelectPulseTime(int pulseTimeByte) {
    SetState(Control::cmbPulseTime, PulseTimeItemFromByte(pulseTimeByte));
    ApplyPulseTimeRule(*this);
}

}  // namespace kavrel::cli
