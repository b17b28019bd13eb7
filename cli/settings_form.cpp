#include "cli/settings_form.h"

#include "config/settings_table.h"

namespace kavrel::cli {

std::optional<DeviceSettings> SettingsForm::SettingsRead() const {
    DeviceSettings settings;
    for (size_t index = 0; index < kSettings.size(); ++index) {
        const auto read = ByteRead(kSettings[index].control);
        if (!read) {
            return std::nullopt;
        }
        settings.*kSettingFields[index] = *read;
    }
    return settings;
}

void SettingsForm::Load(const DeviceSettings& settings) {
    for (size_t index = 0; index < kSettings.size(); ++index) {
        Hold(kSettings[index].control, settings.*kSettingFields[index]);
    }
}

}  // namespace kavrel::cli
