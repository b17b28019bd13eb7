#include <cstdint>
#include <optional>
#include <string>

#include "config/commands.h"
#include "config/device_commands.h"
#include "config/operations.h"
#include "link/device_link.h"
#include "link/user_interface.h"

namespace kavrel {

namespace {

void FetchDeviceInfo(DeviceLink& link) {
    if (link.OpenCableLink() != 0) {
        return;
    }
    const std::optional<uint8_t> version = SendCommand(link, CMD_GET_VERSION, kFetchValue);
    if (!version) {
        return;
    }
    // The class is shown, not compared: an incompatible device still tells what it is.
    const std::optional<uint8_t> deviceClass = SendCommand(link, CMD_GET_CLASS, kFetchValue);
    if (!deviceClass || !link.ui.OpenInfoWindow()) {
        return;
    }
    link.ui.SetText(Control::lblFirmwareVersion, std::to_string(*version));
    link.ui.SetText(Control::lblDeviceClass, std::to_string(*deviceClass));
    link.ui.SetText(Control::lblConfiguratorVersion, std::string(CONFIGURATOR_VERSION));
    link.ui.SetText(Control::lblConfiguratorClass, std::to_string(CONFIGURATOR_CLASS));
}

}  // namespace

void ShowDeviceInfo(DeviceLink& link) {
    link.session.BeginExchangeSession();
    FetchDeviceInfo(link);
    // wndInfo stays open over the disabled wndMain after the session has ended.
    link.session.EndExchangeSession();
}

}  // namespace kavrel
