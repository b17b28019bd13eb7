#include <cstdint>

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
    const int wire = setting.volume ? form.VolumeByteToWrite() : form.ValueByte(setting.control);
    return static_cast<uint8_t>(wire & 0xFF);
}

bool MatchesValueByte(const WrittenSetting& setting, const Form& form, uint8_t readBack) {
    const int readValue = setting.volume ? VolumeByteToPercent(readBack) : readBack;
    return readValue == form.ValueByte(setting.control);
}

OperationResult WriteAndVerify(DeviceLink& link, const Form& form) {
    if (!ValidateBeforeWrite(form, link.screen())) {
        return OperationResult::InvalidAddress;
    }
    if (link.OpenCableLink() != CableSearch::Found) {
        return OperationResult::NoCable;
    }
    if (const OperationResult compatible = CheckCompatibility(link);
        compatible != OperationResult::Ok) {
        return compatible;
    }
    for (const WrittenSetting& setting : kWrittenSettings) {
        if (!Applies(setting, form)) {
            continue;
        }
        if (const OperationResult written =
                SendAcknowledged(link, setting.setCommand, WireValue(setting, form));
            written != OperationResult::Ok) {
            return written;
        }
    }
    if (const OperationResult committed = SendAcknowledged(link, CMD_COMMIT, kCommitValue);
        committed != OperationResult::Ok) {
        return committed;
    }
    for (const WrittenSetting& setting : kWrittenSettings) {
        if (!Applies(setting, form)) {
            continue;
        }
        const CommandAnswer readBack = link.SendCommand(setting.getCommand, kFetchValue);
        if (!readBack.Ok()) {
            return ResultOfTransaction(readBack.result);
        }
        if (!MatchesValueByte(setting, form, readBack.data)) {
            return OperationResult::VerificationFailed;
        }
    }
    return OperationResult::Ok;
}

}  // namespace

OperationResult WriteSettings(DeviceLink& link, Form& form) {
    const auto session = link.Session();
    const OperationResult result = WriteAndVerify(link, form);
    if (result == OperationResult::VerificationFailed) {
        link.screen().ShowMessage(MessageIcon::Error, std::string(texts::kVerificationTitle),
                                  std::string(texts::kVerificationFailed));
    }
    return result;
}

}  // namespace kavrel
