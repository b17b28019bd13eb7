#include "config/device_commands.h"

#include <optional>
#include <string>

#include "config/commands.h"
#include "config/config_texts.h"
#include "link/device_link.h"
#include "link/screen.h"

namespace kavrel {

bool SendAcknowledged(DeviceLink& link, uint8_t command, uint8_t value) {
    const std::optional<uint8_t> answer = link.SendCommand(command, value);
    if (!answer) {
        return false;
    }
    if (*answer != ACK_VALUE) {
        link.screen().ShowMessage(MessageIcon::Error, std::string(texts::kRefusedTitle),
                                  std::string(texts::kRefused));
        return false;
    }
    return true;
}

bool CheckCompatibility(DeviceLink& link) {
    const std::optional<uint8_t> deviceClass = link.SendCommand(CMD_GET_CLASS, kFetchValue);
    if (!deviceClass) {
        return false;
    }
    if (*deviceClass != CONFIGURATOR_CLASS) {
        link.screen().ShowMessage(MessageIcon::Error, std::string(texts::kIncompatibleTitle),
                                  texts::Incompatible(*deviceClass, CONFIGURATOR_CLASS));
        return false;
    }
    return true;
}

}  // namespace kavrel
