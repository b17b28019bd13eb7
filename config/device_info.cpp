#include <cstdint>
#include <optional>
#include <string>

#include "config/commands.h"
#include "config/device_commands.h"
#include "config/form.h"
#include "config/operations.h"
#include "link/device_link.h"

namespace kavrel {

namespace {

void FetchDeviceInfo(DeviceLink& link, Form& form) {
    if (link.OpenCableLink() != CableSearch::Found) {
        return;
    }
    const std::optional<uint8_t> version = link.SendCommand(CMD_GET_VERSION, kFetchValue);
    if (!version) {
        return;
    }
    // The class is shown, not compared: an incompatible device still tells what it is.
    const std::optional<uint8_t> deviceClass = link.SendCommand(CMD_GET_CLASS, kFetchValue);
    if (!deviceClass || !form.OpenInfoWindow()) {
        return;
    }
    form.SetText(Control::lblFirmwareVersion, std::to_string(*version));
    form.SetText(Control::lblDeviceClass, std::to_string(*deviceClass));
    form.SetText(Control::lblConfiguratorVersion, std::string(CONFIGURATOR_VERSION));
    form.SetText(Control::lblConfiguratorClass, std::to_string(CONFIGURATOR_CLASS));
}

}  // namespace

void ShowDeviceInfo(DeviceLink& link, Form& form) {
    // wndInfo stays open over the disabled wndMain after the session has ended.
    const auto session = link.Session();
    FetchDeviceInfo(link, form);
}

}  // namespace kavrel
