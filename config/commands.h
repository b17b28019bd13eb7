#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kavrel {

// The device's one-byte commands. Reads send the value byte 0 and get the setting back as
// the data byte; writes and actions must be answered with ACK_VALUE.
inline constexpr uint8_t CMD_TEST = 32;
inline constexpr uint8_t CMD_SET_INDICATION = 33;
inline constexpr uint8_t CMD_SET_PULSE_TIME = 34;
inline constexpr uint8_t CMD_SET_MODE = 35;
inline constexpr uint8_t CMD_SET_SOUND_OFF = 36;
inline constexpr uint8_t CMD_SET_SOUND_TYPE = 37;
inline constexpr uint8_t CMD_COMMIT = 38;
inline constexpr uint8_t CMD_GET_INDICATION = 39;
inline constexpr uint8_t CMD_GET_PULSE_TIME = 40;
inline constexpr uint8_t CMD_GET_MODE = 41;
inline constexpr uint8_t CMD_GET_SOUND_OFF = 42;
inline constexpr uint8_t CMD_GET_SOUND_TYPE = 43;
inline constexpr uint8_t CMD_SET_ADDRESS = 44;
inline constexpr uint8_t CMD_GET_ADDRESS = 45;
inline constexpr uint8_t CMD_GET_CLASS = 46;
inline constexpr uint8_t CMD_GET_VERSION = 47;
inline constexpr uint8_t CMD_RESET = 48;
inline constexpr uint8_t CMD_SET_VOLUME = 49;
inline constexpr uint8_t CMD_GET_VOLUME = 50;
inline constexpr uint8_t CMD_BEGIN_READ = 51;

// A command's name as the trace shows it ("CMD_GET_MODE"); "command N" for an unknown one.
std::string CommandName(uint8_t command);

// The data byte with which the device confirms a write or an action; anything else is a
// refusal.
inline constexpr uint8_t ACK_VALUE = 26;
// The value bytes of the commands that carry no setting: test and reset send 4, the commit
// and every read send 0.
inline constexpr uint8_t kActionValue = 4;
inline constexpr uint8_t kCommitValue = 0;
inline constexpr uint8_t kFetchValue = 0;

// The configurator's own compatibility class and version; the device must report exactly
// this class before anything but the information is exchanged.
inline constexpr uint8_t CONFIGURATOR_CLASS = 2;
inline constexpr std::string_view CONFIGURATOR_VERSION = "4";

// The value byte of strAddress when its text does not read as an address 0..254.
inline constexpr int INVALID_INPUT = 255;

}  // namespace kavrel
