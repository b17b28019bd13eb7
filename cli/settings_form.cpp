#include "cli/settings_form.h"

#include <array>

#include "config/settings_table.h"

namespace kavrel::cli {

namespace {

// The record's fields in the order of kSettings.
std::array<int DeviceSettings::*, 7> Fields() {
    return {&DeviceSettings::mode,      &DeviceSettings::address,  &DeviceSettings::indication,
            &DeviceSettings::pulseTime, &DeviceSettings::soundOff, &DeviceSettings::soundType,
            &DeviceSettings::volume};
}

}  // namespace

std::optional<DeviceSettings> SettingsForm::SettingsRead() const {
    DeviceSettings settings;
    for (size_t index = 0; index < kSettings.size(); ++index) {
        const auto read = ByteRead(kSettings[index].control);
        if (!read) {
            return std::nullopt;
        }
        settings.*Fields()[index] = *read;
    }
    return settings;
}

void SettingsForm::Load(const DeviceSettings& settings) {
    for (size_t index = 0; index < kSettings.size(); ++index) {
        Hold(kSettings[index].control, settings.*Fields()[index]);
    }
}

}  // namespace kavrel::cli
