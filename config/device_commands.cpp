#include "config/device_commands.h"

#include <string>

#include "config/commands.h"
#include "config/config_texts.h"
#include "link/device_link.h"
#include "link/screen.h"

namespace kavrel {

OperationResult ResultOfTransaction(TransactionResult result) {
    switch (result) {
        case TransactionResult::Ok:
            return OperationResult::Ok;
        case TransactionResult::PortClosed:
            return OperationResult::PortClosed;
        case TransactionResult::SendWorkerStuck:
        case TransactionResult::ReceiveWorkerStuck:
        case TransactionResult::NoResponse:
            return OperationResult::NoAnswer;
        case TransactionResult::CancelledByUser:
            return OperationResult::Cancelled;
        default:
            return OperationResult::BadAnswer;
    }
}

OperationResult SendAcknowledged(DeviceLink& link, uint8_t command, uint8_t value) {
    const CommandAnswer answer = link.SendCommand(command, value);
    if (!answer.Ok()) {
        return ResultOfTransaction(answer.result);
    }
    if (answer.data != ACK_VALUE) {
        link.screen().ShowMessage(MessageIcon::Error, std::string(texts::kRefusedTitle),
                                  texts::Refused());
        return OperationResult::Refused;
    }
    return OperationResult::Ok;
}

OperationResult CheckCompatibility(DeviceLink& link) {
    const CommandAnswer deviceClass = link.SendCommand(CMD_GET_CLASS, kFetchValue);
    if (!deviceClass.Ok()) {
        return ResultOfTransaction(deviceClass.result);
    }
    if (deviceClass.data != CONFIGURATOR_CLASS) {
        link.screen().ShowMessage(MessageIcon::Error, std::string(texts::kIncompatibleTitle),
                                  texts::Incompatible(deviceClass.data, CONFIGURATOR_CLASS));
        return OperationResult::Incompatible;
    }
    return OperationResult::Ok;
}

}  // namespace kavrel
