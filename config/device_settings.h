#pragma once

#include <array>
#include <compare>

namespace kavrel {

// A unit's seven settings, each the byte the device keeps (the volume 0..255, not percent).
struct DeviceSettings {
    int mode = 0;
    int address = 0;
    int indication = 0;
    int pulseTime = 0;
    int soundOff = 0;
    int soundType = 0;
    int volume = 0;
    bool operator==(const DeviceSettings&) const = default;
};

// The record's field of each setting, in the order of kSettings (settings_table.h).
inline constexpr std::array<int DeviceSettings::*, 7> kSettingFields{
    &DeviceSettings::mode,      &DeviceSettings::address,  &DeviceSettings::indication,
    &DeviceSettings::pulseTime, &DeviceSettings::soundOff, &DeviceSettings::soundType,
    &DeviceSettings::volume};

}  // namespace kavrel
