#include "config/memory_form.h"

#include "config/form_rules.h"
#include "config/operations.h"
#include "config/settings_coding.h"
#include "config/settings_table.h"
#include "config/startup_form.h"
#include "config/volume.h"
#include "config/window_texts.h"

namespace kavrel {

MemoryForm::MemoryForm() {
    for (const startup::ControlStart& start : startup::kControls) {
        controls_[start.control] = {start.state, startup::Text(start.control), start.enabled,
                                    start.valueByte};
    }
}

bool MemoryForm::OpenInfoWindow() {
    if (infoOpen_) {
        return false;
    }
    for (const texts::InfoRow& row : texts::kInfoRows) {
        controls_[row.value].text = "000";
    }
    return infoOpen_ = true;
}

void MemoryForm::SettingRead(Control setting, int deviceByte) {
    read_[setting] = deviceByte;
}

int MemoryForm::VolumeByteToWrite() const {
    const int percent = ValueByte(Control::strVolume);
    const auto volumeByte = ByteRead(Control::strVolume);
    return volumeByte && VolumeByteToPercent(*volumeByte) == percent ? *volumeByte
                                                                     : PercentToVolumeByte(percent);
}

std::optional<int> MemoryForm::ByteRead(Control setting) const {
    const auto found = read_.find(setting);
    return found == read_.end() ? std::nullopt : std::optional(found->second);
}

void MemoryForm::Hold(Control setting, int deviceByte) {
    SettingRead(setting, deviceByte);
    ShowSetting(*this, setting, deviceByte);
    if (setting == Control::optSlave) {
        // A mode the options cannot show still goes back as it came.
        SetValueByte(Control::optSlave, deviceByte);
        SetValueByte(Control::optAutonomous, deviceByte);
    }
}

void MemoryForm::SelectMode(bool slave) {
    SetState(Control::optSlave, slave ? 1 : 0);
    SetState(Control::optAutonomous, slave ? 0 : 1);
    ApplyModeRule(*this);
}

void MemoryForm::TypeAddress(const std::string& text) {
    SetText(Control::strAddress, text);
    CheckAddressInput(*this);
}

void MemoryForm::Check(Control box, bool checked) {
    SetState(box, checked ? 1 : 0);
    ApplyIndicationRule(*this);
}

void MemoryForm::SelectPulseTime(int pulseTimeByte) {
    SetState(Control::cmbPulseTime, PulseTimeItemFromByte(pulseTimeByte));
    ApplyPulseTimeRule(*this);
}

}  // namespace kavrel
