#include "config/device_commands.h"

#include <string>

#include "config/commands.h"
#include "link/device_link.h"
#include "link/user_interface.h"

namespace kavrel {

namespace {
constexpr int kDataByteOffset = 2;
}  // namespace

std::optional<uint8_t> SendCommand(DeviceLink& link, uint8_t command, uint8_t value) {
    link.transactions.BeginRequest(kRequestAddress, command);
    link.transactions.AddRequestByte(value);
    if (link.transactions.RunTransaction() != kTransactionOk) {
        return std::nullopt;
    }
    return link.transactions.ResponseBuffer()[kDataByteOffset];
}

bool SendAcknowledged(DeviceLink& link, uint8_t command, uint8_t value) {
    const std::optional<uint8_t> answer = SendCommand(link, command, value);
    if (!answer) {
        return false;
    }
    if (*answer != ACK_VALUE) {
        link.ui.ShowMessage(MessageIcon::Error, "Ошибка",
                            "Выполнить команду не удалось!!!\nУстройство отклонило команду");
        return false;
    }
    return true;
}

bool CheckCompatibility(DeviceLink& link) {
    const std::optional<uint8_t> deviceClass = SendCommand(link, CMD_GET_CLASS, kFetchValue);
    if (!deviceClass) {
        return false;
    }
    if (*deviceClass != CONFIGURATOR_CLASS) {
        link.ui.ShowMessage(MessageIcon::Error, "Ошибка",
                            "Конфигуратор не совместим с устройством! Класс уст. " +
                                std::to_string(*deviceClass) + ",а класс конфигуратора " +
                                std::to_string(CONFIGURATOR_CLASS));
        return false;
    }
    return true;
}

}  // namespace kavrel
