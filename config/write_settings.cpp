#include <cstdint>
#include <optional>

#include "config/address_input.h"
#include "config/commands.h"
#include "config/device_commands.h"
#include "config/operations.h"
#include "config/settings_coding.h"
#include "config/volume.h"
#include "link/device_link.h"
#include "link/user_interface.h"

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

bool Applies(const WrittenSetting& setting, const UserInterface& ui) {
    return !setting.slaveOnly || ui.ValueByte(Control::optAutonomous) == kModeSlave;
}

uint8_t WireValue(const WrittenSetting& setting, const UserInterface& ui) {
    const int valueByte = ui.ValueByte(setting.control);
    const int wire = setting.volume ? PercentToVolumeByte(valueByte) : valueByte;
    return static_cast<uint8_t>(wire & 0xFF);
}

bool MatchesValueByte(const WrittenSetting& setting, const UserInterface& ui, uint8_t readBack) {
    const int readValue = setting.volume ? VolumeByteToPercent(readBack) : readBack;
    return readValue == ui.ValueByte(setting.control);
}

WriteStatus WriteAndVerify(DeviceLink& link) {
    UserInterface& ui = link.ui;
    if (!ValidateBeforeWrite(ui) || link.OpenCableLink() != 0 || !CheckCompatibility(link)) {
        return WriteStatus::Failure;
    }
    for (const WrittenSetting& setting : kWrittenSettings) {
        if (Applies(setting, ui) &&
            !SendAcknowledged(link, setting.setCommand, WireValue(setting, ui))) {
            return WriteStatus::Failure;
        }
    }
    if (!SendAcknowledged(link, CMD_COMMIT, kCommitValue)) {
        return WriteStatus::Failure;
    }
    for (const WrittenSetting& setting : kWrittenSettings) {
        if (!Applies(setting, ui)) {
            continue;
        }
        const std::optional<uint8_t> readBack = SendCommand(link, setting.getCommand, kFetchValue);
        if (!readBack) {
            return WriteStatus::Failure;
        }
        if (!MatchesValueByte(setting, ui, *readBack)) {
            return WriteStatus::VerificationFailure;
        }
    }
    return WriteStatus::Success;
}

}  // namespace

void WriteSettings(DeviceLink& link) {
    link.session.BeginExchangeSession();
    if (WriteAndVerify(link) == WriteStatus::VerificationFailure) {
        link.ui.ShowMessage(MessageIcon::Error, "Ошибка!", "Ошибка верификации EEPROM");
    }
    link.session.EndExchangeSession();
}

}  // namespace kavrel
