#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/device_settings.h"

namespace kavrel::cli {

// A profile: the seven settings as a JSON object with exactly the keys mode, address,
// count_red, count_green, indication_ru_au, pulse_time, sound_off, sound_type and volume,
// any of them (the indication as one key "indication") also as {"byte": N}.

// The settings of a whole profile, or nothing with `error` set to one line naming the key,
// or the line and column of malformed JSON.
std::optional<DeviceSettings> ParseProfile(std::string_view json, std::string& error);

// The profile of `settings`, each by its named value where that brings back the same byte,
// else as {"byte": N}.
std::string ProfileJson(const DeviceSettings& settings);

// The same profile as rows of key and value for a readable table.
std::vector<std::pair<std::string, std::string>> ProfileRows(const DeviceSettings& settings);

}  // namespace kavrel::cli
