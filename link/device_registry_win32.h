#pragma once

#include <windows.h>

#include <setupapi.h>

#include <string>

namespace kavrel {

// What the device list says of one device, read the same way by the port lister and the
// diagnosis.

// A string property of the device: the first string of a list, "" when it has none.
std::string DeviceProperty(HDEVINFO devices, SP_DEVINFO_DATA& device, DWORD property);

// The port's name (COM3) from the device's key, "" when it has none.
std::string DevicePortName(HDEVINFO devices, SP_DEVINFO_DATA& device);

}  // namespace kavrel
