#include "config/profile.h"

#include <algorithm>
#include <cstdint>
#include <nlohmann/json.hpp>

#include "config/settings_coding.h"
#include "config/settings_table.h"
#include "config/volume.h"

namespace kavrel {

namespace {

using Json = nlohmann::ordered_json;

constexpr int kMaxByte = 255;
constexpr int kMaxNamedAddress = 254;
constexpr int kMaxPercent = 100;
constexpr int kSoundTypes = 3;

std::optional<int> IntegerIn(const Json& value, int low, int high) {
    if (!value.is_number_integer()) {
        return std::nullopt;
    }
    const int64_t number =
        value.is_number_unsigned()
            ? static_cast<int64_t>(std::min<uint64_t>(value.get<uint64_t>(), INT64_MAX))
            : value.get<int64_t>();
    if (number < low || number > high) {
        return std::nullopt;
    }
    return static_cast<int>(number);
}

// How a profile names a setting's byte: the named value of a byte, when one brings the same
// byte back, and the byte of a named value, when it is one. The indication is named by its
// three boxes (below).
struct Naming {
    Control setting;
    const char* takes;  // for the error line
    std::optional<Json> (*name)(int byte);
    std::optional<int> (*byteOf)(const Json& value);
};

const Naming kNamings[] = {
    {Control::optSlave, "\"slave\" or \"autonomous\"",
     [](int b) -> std::optional<Json> {
         if (b == kModeSlave || b == kModeAutonomous) {
             return b == kModeSlave ? "slave" : "autonomous";
         }
         return std::nullopt;
     },
     [](const Json& v) -> std::optional<int> {
         if (v == "slave" || v == "autonomous") {
             return v == "slave" ? kModeSlave : kModeAutonomous;
         }
         return std::nullopt;
     }},
    {Control::strAddress, "a number 0..254",
     [](int b) -> std::optional<Json> {
         return b <= kMaxNamedAddress ? std::optional<Json>(b) : std::nullopt;
     },
     [](const Json& v) { return IntegerIn(v, 0, kMaxNamedAddress); }},
    {Control::cmbPulseTime, "\"off\" or a number 3..20",
     [](int b) -> std::optional<Json> {
         if (b == kPulseTimeOff) {
             return "off";
         }
         return PulseTimeItemFromByte(b) > 0 ? std::optional<Json>(b) : std::nullopt;
     },
     [](const Json& v) -> std::optional<int> {
         return v == "off" ? kPulseTimeOff : IntegerIn(v, kPulseTimeMin, kPulseTimeMax);
     }},
    {Control::chkSoundOff, "true or false",
     [](int b) -> std::optional<Json> {
         return b == 0 || b == kSoundOff ? std::optional<Json>(b == kSoundOff) : std::nullopt;
     },
     [](const Json& v) -> std::optional<int> {
         return v.is_boolean() ? std::optional<int>(v.get<bool>() ? kSoundOff : 0) : std::nullopt;
     }},
    {Control::cmbSoundType, "a number 1..3",
     [](int b) -> std::optional<Json> {
         return SoundTypeItemFromByte(b) >= 0 ? std::optional<Json>(b) : std::nullopt;
     },
     [](const Json& v) { return IntegerIn(v, 1, kSoundTypes); }},
    {Control::strVolume, "a percent 0..100",
     [](int b) -> std::optional<Json> {
         const int percent = VolumeByteToPercent(b);
         return PercentToVolumeByte(percent) == b ? std::optional<Json>(percent) : std::nullopt;
     },
     [](const Json& v) -> std::optional<int> {
         const auto percent = IntegerIn(v, 0, kMaxPercent);
         return percent ? std::optional<int>(PercentToVolumeByte(*percent)) : std::nullopt;
     }},
};

const Naming& NamingOf(Control setting) {
    return *std::find_if(std::begin(kNamings), std::end(kNamings),
                         [&](const Naming& naming) { return naming.setting == setting; });
}

// The indication as three booleans, or as one byte under its own key.
const char* KeyOf(Control setting) {
    return std::find_if(kSettings.begin(), kSettings.end(),
                        [&](const Setting& s) { return s.control == setting; })
        ->profileKey;
}
const char* const kIndicationKey = KeyOf(Control::chkCountRed);
const std::pair<const char*, int> kIndicationBoxes[] = {{"count_red", kIndicationRedBit},
                                                        {"count_green", kIndicationGreenBit},
                                                        {"indication_ru_au", kIndicationRuAuBit}};
constexpr int kIndicationNamedBits = kIndicationRedBit | kIndicationGreenBit | kIndicationRuAuBit;

Json ByteForm(int byte) {
    return Json{{"byte", byte}};
}

// The byte of {"byte": N}; nothing for anything else.
std::optional<int> ByteOfByteForm(const Json& value) {
    if (!value.is_object() || value.size() != 1 || !value.contains("byte")) {
        return std::nullopt;
    }
    return IntegerIn(value["byte"], 0, kMaxByte);
}

std::string Quoted(const std::string& key) {
    return "\"" + key + "\"";
}

ProfileFault Missing(const std::string& key) {
    return {ProfileFault::Kind::MissingKey, key, 0, 0, "missing key " + Quoted(key)};
}

// Line and column of the character where parsing stopped, counted as the JSON reader
// counts them (`bytesRead` includes that character).
std::pair<int, int> LineAndColumn(std::string_view json, size_t bytesRead) {
    const std::string_view read = json.substr(0, std::min(bytesRead, json.size()));
    const size_t lastBreak = read.find_last_of('\n');
    const size_t column =
        lastBreak == std::string_view::npos ? read.size() : read.size() - lastBreak - 1;
    return {static_cast<int>(std::count(read.begin(), read.end(), '\n')) + 1,
            static_cast<int>(column)};
}

bool IsKnownKey(const std::string& key) {
    return std::any_of(kSettings.begin(), kSettings.end(),
                       [&](const Setting& s) { return key == s.profileKey; }) ||
           std::any_of(std::begin(kIndicationBoxes), std::end(kIndicationBoxes),
                       [&](const auto& box) { return key == box.first; });
}

std::optional<int> ParseIndication(const Json& profile, ProfileFault& fault) {
    const bool asBoxes = std::any_of(std::begin(kIndicationBoxes), std::end(kIndicationBoxes),
                                     [&](const auto& box) { return profile.contains(box.first); });
    if (profile.contains(kIndicationKey)) {
        if (asBoxes) {
            fault = {ProfileFault::Kind::IndicationTwice, kIndicationKey, 0, 0,
                     Quoted(kIndicationKey) +
                         " stands for count_red, count_green and "
                         "indication_ru_au: give one or the others"};
            return std::nullopt;
        }
        const auto byte = ByteOfByteForm(profile[kIndicationKey]);
        if (!byte) {
            fault = {ProfileFault::Kind::WrongValue, kIndicationKey, 0, 0,
                     Quoted(kIndicationKey) + " must be {\"byte\": 0..255}"};
        }
        return byte;
    }
    int indication = 0;
    for (const auto& [key, bit] : kIndicationBoxes) {
        if (!profile.contains(key)) {
            fault = Missing(key);
            return std::nullopt;
        }
        if (!profile[key].is_boolean()) {
            fault = {ProfileFault::Kind::WrongValue, key, 0, 0,
                     Quoted(key) + " must be true or false"};
            return std::nullopt;
        }
        indication |= profile[key].get<bool>() ? bit : 0;
    }
    return indication;
}

Json ProfileObject(const DeviceSettings& settings) {
    Json profile = Json::object();
    for (size_t index = 0; index < kSettings.size(); ++index) {
        const Control setting = kSettings[index].control;
        const int byte = settings.*kSettingFields[index];
        if (setting != Control::chkCountRed) {
            profile[kSettings[index].profileKey] =
                NamingOf(setting).name(byte).value_or(ByteForm(byte));
        } else if ((byte & ~kIndicationNamedBits) != 0) {
            profile[kIndicationKey] = ByteForm(byte);
        } else {
            for (const auto& [key, bit] : kIndicationBoxes) {
                profile[key] = (byte & bit) != 0;
            }
        }
    }
    return profile;
}

}  // namespace

std::optional<DeviceSettings> ParseProfile(std::string_view json, ProfileFault& fault) {
    Json profile;
    try {
        profile = Json::parse(json);
    } catch (const Json::parse_error& e) {
        const auto [line, column] = LineAndColumn(json, e.byte);
        std::string description = e.what();
        description.erase(0, description.find(']') + 2);  // "[json.exception.parse_error.101] "
        std::replace(description.begin(), description.end(), '\n', ' ');
        fault = {ProfileFault::Kind::NotJson, "", line, column, description};
        return std::nullopt;
    }
    if (!profile.is_object()) {
        fault = {ProfileFault::Kind::NotObject, "", 0, 0, "a profile is a JSON object"};
        return std::nullopt;
    }
    for (const auto& item : profile.items()) {
        if (!IsKnownKey(item.key())) {
            fault = {ProfileFault::Kind::UnknownKey, item.key(), 0, 0,
                     "unknown key " + Quoted(item.key())};
            return std::nullopt;
        }
    }
    DeviceSettings settings;
    for (size_t index = 0; index < kSettings.size(); ++index) {
        const Control setting = kSettings[index].control;
        const char* key = kSettings[index].profileKey;
        std::optional<int> byte;
        if (setting == Control::chkCountRed) {
            byte = ParseIndication(profile, fault);
            if (!byte) {
                return std::nullopt;
            }
        } else if (!profile.contains(key)) {
            fault = Missing(key);
            return std::nullopt;
        } else {
            const Json& value = profile[key];
            byte = value.is_object() ? ByteOfByteForm(value) : NamingOf(setting).byteOf(value);
            if (!byte) {
                fault = {
                    ProfileFault::Kind::WrongValue, key, 0, 0,
                    Quoted(key) + " must be " + NamingOf(setting).takes + " or {\"byte\": 0..255}"};
                return std::nullopt;
            }
        }
        settings.*kSettingFields[index] = *byte;
    }
    return settings;
}

std::string ProfileJson(const DeviceSettings& settings) {
    return ProfileObject(settings).dump(2) + "\n";
}

std::vector<std::pair<std::string, std::string>> ProfileRows(const DeviceSettings& settings) {
    std::vector<std::pair<std::string, std::string>> rows;
    const Json profile = ProfileObject(settings);
    for (const auto& item : profile.items()) {
        const Json& value = item.value();
        rows.emplace_back(item.key(), value.is_string()   ? value.get<std::string>()
                                      : value.is_object() ? "byte " + value["byte"].dump()
                                                          : value.dump());
    }
    return rows;
}

}  // namespace kavrel
