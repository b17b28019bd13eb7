#include <cstdint>
#include <optional>

#include "config/address_input.h"
#include "config/commands.h"
#include "config/config_texts.h"
#include "config/device_commands.h"
#include "config/form.h"
#include "config/operations.h"
#include "config/settings_coding.h"
#include "config/volume.h"
#include "link/device_link.h"
#include "link/screen.h"

namespace kavrel {

namespace {

enum class WriteStatus { Success, Failure, VerificationFailure };

// One setting as the write sends it and the verification reads it back. Writes send the
// value bytes, never what the controls show.
struct WrittenSetting {
    Control control;
    uint8_t setCommand;
    uint8_t getCommand;
    bool slaveOnly;  // the address belongs to the settings only in slave mode
    bool volume;     // the value byte holds the percent, the device a byte 0..255
};

constexpr WrittenSetting kWrittenSettings[] = {
    {Control::optSlave, CMD_SET_MODE, CMD_GET_MODE, false, false},
    {Control::strAddress, CMD_SET_ADDRESS, CMD_GET_ADDRESS, true, false},
    {Control::chkCountRed, CMD_SET_INDICATION, CMD_GET_INDICATION, false, false},
    {Control::cmbPulseTime, CMD_SET_PULSE_TIME, CMD_GET_PULSE_TIME, false, false},
    {Control::chkSoundOff, CMD_SET_SOUND_OFF, CMD_GET_SOUND_OFF, false, false},
    {Control::cmbSoundType, CMD_SET_SOUND_TYPE, CMD_GET_SOUND_TYPE, false, false},
    {Control::strVolume, CMD_SET_VOLUME, CMD_GET_VOLUME, false, true},
};

bool Applies(const WrittenSetting& setting, const Form& form) {
    return !setting.slaveOnly || form.ValueByte(Control::optAutonomous) == kModeSlave;
}

uint8_t WireValue(const WrittenSetting& setting, const Form& form) {
    const int valueByte = form.ValueByte(setting.control);
    const int wire = setting.volume ? PercentToVolumeByte(valueByte) : valueByte;
    return static_cast<uint8_t>(wire & 0xFF);
}

bool MatchesValueByte(const WrittenSetting& setting, const Form& form, uint8_t readBack) {
    const int readValue = setting.volume ? VolumeByteToPercent(readBack) : readBack;
    return readValue == form.ValueByte(setting.control);
}

WriteStatus WriteAndVerify(DeviceLink& link, const Form& form) {
    if (!ValidateBeforeWrite(form, link.screen()) || link.OpenCableLink() != CableSearch::Found ||
        !CheckCompatibility(link)) {
        return WriteStatus::Failure;
    }
    for (const WrittenSetting& setting : kWrittenSettings) {
        if (Applies(setting, form) &&
            !SendAcknowledged(link, setting.setCommand, WireValue(setting, form))) {
            return WriteStatus::Failure;
        }
    }
    if (!SendAcknowledged(link, CMD_COMMIT, kCommitValue)) {
        return WriteStatus::Failure;
    }
    for (const WrittenSetting& setting : kWrittenSettings) {
        if (!Applies(setting, form)) {
            continue;
        }
        const std::optional<uint8_t> readBack = link.SendCommand(setting.getCommand, kFetchValue);
        if (!readBack) {
            return WriteStatus::Failure;
        }
        if (!MatchesValueByte(setting, form, *readBack)) {
            return WriteStatus::VerificationFailure;
        }
    }
    return WriteStatus::Success;
}

}  // namespace

void WriteSettings(DeviceLink& link, Form& form) {
    const auto session = link.Session();
    if (WriteAndVerify(link, form) == WriteStatus::VerificationFailure) {
        link.screen().ShowMessage(MessageIcon::Error, std::string(texts::kVerificationTitle),
                                  std::string(texts::kVerificationFailed));
    }
}

}  // namespace kavrel
