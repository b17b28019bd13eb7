#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "tools/kavrel-sim/simulated_unit.h"

// The unit's side of the wire protocol, kept apart from the configurator's link code so
// that each checks the other.
namespace kavrel::sim {

inline constexpr uint8_t kUnitStartByte = 0x6E;
inline constexpr uint8_t kUnitAddressByte = 0xFF;
inline constexpr size_t kRequestLength = 5;
inline constexpr uint8_t kAck = 26;
inline constexpr uint8_t kCommit = 38;

uint8_t Checksum(const uint8_t* bytes, size_t count);

// Starts with 0x6E, is 5 bytes long and its bytes sum to a multiple of 256.
bool IsValidRequest(const std::vector<uint8_t>& frame);

bool IsAcknowledged(uint8_t command);  // writes and actions: answered with kAck
bool IsSettingRead(uint8_t command);   // reads of one of the seven settings

// The data byte the unit answers, applying a write to the model; nothing for a command
// the unit does not know.
std::optional<uint8_t> Answer(DeviceModel& model, uint8_t command, uint8_t value);

// 6E FF data checksum.
std::vector<uint8_t> AnswerFrame(uint8_t data);

// A valid frame of `length` bytes whose first 90 bytes also form a valid frame: zero
// filler, a checksum at offset 89 and a closing checksum at the end.
std::vector<uint8_t> OverLongFrame(uint8_t data, size_t length);

}  // namespace kavrel::sim
