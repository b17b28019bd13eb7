// initguid.h first: the GUIDs of devguid.h are defined here.
#include <windows.h>

#include <initguid.h>

#include <devguid.h>
#include <setupapi.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "link/device_registry_win32.h"
#include "link/utf16_win32.h"
#include "tools/zorvik/com_ports.h"

namespace kavrel::zorvik {

namespace {

unsigned long PortNumber(const SerialPort& port) {
    return std::strtoul(port.path.c_str() + 3, nullptr, 10);
}

}  // namespace

std::vector<SerialPort> ComPorts() {
    std::vector<SerialPort> ports;
    const HDEVINFO devices =
        SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
    if (devices == INVALID_HANDLE_VALUE) {
        return ports;
    }
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD index = 0; SetupDiEnumDeviceInfo(devices, index, &device); ++index) {
        const std::string name = DevicePortName(devices, device);
        if (!name.starts_with("COM")) {
            continue;  // the printer ports share the class
        }
        std::string friendlyName = DeviceProperty(devices, device, SPDRP_FRIENDLYNAME);
        if (friendlyName.empty()) {
            friendlyName = DeviceProperty(devices, device, SPDRP_DEVICEDESC);
        }
        ports.push_back(
            {DescribeComPort(DeviceProperty(devices, device, SPDRP_HARDWAREID), friendlyName),
             name});
    }
    SetupDiDestroyDeviceInfoList(devices);
    std::stable_sort(ports.begin(), ports.end(), [](const SerialPort& a, const SerialPort& b) {
        return PortNumber(a) < PortNumber(b);
    });
    return ports;
}

}  // namespace kavrel::zorvik
