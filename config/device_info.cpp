#include <cstdint>
#include <string>

#include "config/commands.h"
#include "config/form.h"
#include "config/operations.h"
#include "link/device_link.h"

namespace kavrel {

namespace {

OperationResult FetchDeviceInfo(DeviceLink& link, Form& form) {
    if (link.OpenCableLink() != CableSearch::Found) {
        return OperationResult::NoCable;
    }
    const CommandAnswer version = link.SendCommand(CMD_GET_VERSION, kFetchValue);
    if (!version.Ok()) {
        return ResultOfTransaction(version.result);
    }
    // The class is shown, not compared: an incompatible device still tells what it is.
    const CommandAnswer deviceClass = link.SendCommand(CMD_GET_CLASS, kFetchValue);
    if (!deviceClass.Ok()) {
        return ResultOfTransaction(deviceClass.result);
    }
    if (!form.OpenInfoWindow()) {
        return OperationResult::NoWindow;
    }
    form.SetText(Control::lblFirmwareVersion, std::to_string(version.data));
    form.SetText(Control::lblDeviceClass, std::to_string(deviceClass.data));
    form.SetText(Control::lblConfiguratorVersion, std::string(CONFIGURATOR_VERSION));
    form.SetText(Control::lblConfiguratorClass, std::to_string(CONFIGURATOR_CLASS));
    return OperationResult::Ok;
}

}  // namespace

OperationResult ShowDeviceInfo(DeviceLink& link, Form& form) {
    // wndInfo stays open over the disabled wndMain after the session has ended.
    const auto session = link.Session();
    return FetchDeviceInfo(link, form);
}

}  // namespace kavrel
