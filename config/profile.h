#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "config/device_settings.h"

namespace kavrel {

// A profile (a settings file, `.kavrel` for the windows): the seven settings as a JSON
// object with exactly the keys mode, address, count_red, count_green, indication_ru_au,
// pulse_time, sound_off, sound_type and volume, any of them (the indication as one key
// "indication") also as {"byte": N}.

// Why a profile was refused: the key it concerns, or the line and column (from 1) where
// the JSON breaks, and the same as one English line for the command line.
struct ProfileFault {
    enum class Kind { NotJson, NotObject, UnknownKey, MissingKey, WrongValue, IndicationTwice };
    Kind kind = Kind::NotJson;
    std::string key;
    int line = 0;
    int column = 0;
    std::string description;
};

// The settings of a whole profile, or nothing with `fault` set. Every key is checked
// before anything is returned.
std::optional<DeviceSettings> ParseProfile(std::string_view json, ProfileFault& fault);

// The profile of `settings`, each by its named value where that brings back the same byte,
// else as {"byte": N}.
std::string ProfileJson(const DeviceSettings& settings);

// The same profile as rows of key and value for a readable table.
std::vector<std::pair<std::string, std::string>> ProfileRows(const DeviceSettings& settings);

}  // namespace kavrel
