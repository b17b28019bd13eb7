#pragma once

#include <optional>

#include "config/device_settings.h"
#include "config/memory_form.h"

namespace kavrel::cli {

// The form in memory with the settings as one record.
class SettingsForm : public MemoryForm {
  public:
    // The settings as a complete read found them, every byte exactly; nothing before.
    std::optional<DeviceSettings> SettingsRead() const;
    // Holds `settings` as a read of them would, every byte whole, so that a write sends
    // each one back as it is.
    void Load(const DeviceSettings& settings);
};

}  // namespace kavrel::cli
