#include <cstdint>

#include "config/address_input.h"
#include "config/commands.h"
#include "config/config_texts.h"
#include "config/device_commands.h"
#include "config/form.h"
#include "config/operations.h"
#include "config/settings_coding.h"
#include "config/settings_table.h"
#include "config/volume.h"
#include "link/device_link.h"
#include "link/screen.h"

namespace kavrel {

namespace {

// Writes send the value bytes, never what the controls show.
bool Applies(const Setting& setting, const Form& form) {
    return !setting.slaveOnly || form.ValueByte(Control::optAutonomous) == kModeSlave;
}

uint8_t WireValue(const Setting& setting, const Form& form) {
    const int wire = setting.volume ? form.VolumeByteToWrite() : form.ValueByte(setting.control);
    return static_cast<uint8_t>(wire & 0xFF);
}

bool MatchesValueByte(const Setting& setting, const Form& form, uint8_t readBack) {
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
    for (const Setting& setting : kSettings) {
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
    for (const Setting& setting : kSettings) {
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
