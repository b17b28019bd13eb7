#include "link/device_link.h"

#include <utility>

#include "link/user_interface.h"

namespace kavrel {

DeviceLink::DeviceLink(UserInterface& userInterface, std::string folder)
    : ui(userInterface),
      programFolder(std::move(folder)),
      transactions(port, userInterface),
      session(userInterface, port) {}

uint8_t DeviceLink::OpenCableLink() {
    const std::string portName = FindCablePort(ui, programFolder);
    if (portName.empty()) {
        ui.ShowMessage(MessageIcon::Error, "Ошибка",
                       "Выполнить команду не удалось!!!\n"
                       "Конфигуратор не видит соединительного кабеля.");
        return 1;
    }
    // A port that does not open is noticed by the first transaction, which tells the
    // operator; here the name alone decides.
    port.OpenDevicePort(portName);
    return 0;
}

}  // namespace kavrel
