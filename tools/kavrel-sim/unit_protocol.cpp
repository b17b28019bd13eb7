#include "tools/kavrel-sim/unit_protocol.h"

#include <algorithm>
#include <numeric>

namespace kavrel::sim {

namespace {

enum Command : uint8_t {
    kTest = 32,
    kSetIndication = 33,
    kSetPulseTime = 34,
    kSetMode = 35,
    kSetSoundOff = 36,
    kSetSoundType = 37,
    kGetIndication = 39,
    kGetPulseTime = 40,
    kGetMode = 41,
    kGetSoundOff = 42,
    kGetSoundType = 43,
    kSetAddress = 44,
    kGetAddress = 45,
    kGetClass = 46,
    kGetVersion = 47,
    kReset = 48,
    kSetVolume = 49,
    kGetVolume = 50,
    kBeginRead = 51,
};

constexpr size_t kCheckedPrefix = 90;  // the longest frame the configurator keeps

// The setting a read or write command is about, or nullptr.
uint8_t* SettingOf(Settings& s, uint8_t command) {
    switch (command) {
        case kSetIndication:
        case kGetIndication:
            return &s.indication;
        case kSetPulseTime:
        case kGetPulseTime:
            return &s.pulseTime;
        case kSetMode:
        case kGetMode:
            return &s.mode;
        case kSetSoundOff:
        case kGetSoundOff:
            return &s.soundOff;
        case kSetSoundType:
        case kGetSoundType:
            return &s.soundType;
        case kSetAddress:
        case kGetAddress:
            return &s.address;
        case kSetVolume:
        case kGetVolume:
            return &s.volume;
        default:
            return nullptr;
    }
}

}  // namespace

uint8_t Checksum(const uint8_t* bytes, size_t count) {
    return static_cast<uint8_t>(0u - std::accumulate(bytes, bytes + count, 0u));
}

bool IsValidRequest(const std::vector<uint8_t>& frame) {
    return frame.size() == kRequestLength && frame[0] == kUnitStartByte &&
           Checksum(frame.data(), frame.size()) == 0;
}

bool IsAcknowledged(uint8_t command) {
    switch (command) {
        case kTest:
        case kCommit:
        case kReset:
        case kSetIndication:
        case kSetPulseTime:
        case kSetMode:
        case kSetSoundOff:
        case kSetSoundType:
        case kSetAddress:
        case kSetVolume:
            return true;
        default:
            return false;
    }
}

bool IsSettingRead(uint8_t command) {
    Settings scratch;
    return !IsAcknowledged(command) && SettingOf(scratch, command) != nullptr;
}

std::optional<uint8_t> Answer(DeviceModel& model, uint8_t command, uint8_t value) {
    if (uint8_t* setting = SettingOf(model.settings, command)) {
        if (!IsAcknowledged(command)) {
            return *setting;
        }
        *setting = value;
        return kAck;
    }
    switch (command) {
        case kTest:
        case kCommit:
        case kReset:
            return kAck;
        case kGetClass:
            return model.deviceClass;
        case kGetVersion:
            return model.firmwareVersion;
        case kBeginRead:
            return 0;
        default:
            return std::nullopt;
    }
}

std::vector<uint8_t> AnswerFrame(uint8_t data) {
    std::vector<uint8_t> frame{kUnitStartByte, kUnitAddressByte, data, 0};
    frame.back() = Checksum(frame.data(), 3);
    return frame;
}

std::vector<uint8_t> OverLongFrame(uint8_t data, size_t length) {
    std::vector<uint8_t> frame(std::max(length, kCheckedPrefix + 1), 0);
    frame[0] = kUnitStartByte;
    frame[1] = kUnitAddressByte;
    frame[2] = data;
    frame[kCheckedPrefix - 1] = Checksum(frame.data(), kCheckedPrefix - 1);
    frame.back() = Checksum(frame.data(), frame.size() - 1);
    return frame;
}

}  // namespace kavrel::sim
