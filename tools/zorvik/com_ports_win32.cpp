// initguid.h first: the GUIDs of devguid.h are defined here.
#include <windows.h>

#include <initguid.h>

#include <devguid.h>
#include <setupapi.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "link/utf16_win32.h"
#include "tools/zorvik/com_ports.h"

namespace kavrel::zorvik {

namespace {

// A string property of the device: the first string of a list, "" when it has none.
std::string DeviceProperty(HDEVINFO devices, SP_DEVINFO_DATA& device, DWORD property) {
    wchar_t value[512] = {};
    if (!SetupDiGetDeviceRegistryPropertyW(devices, &device, property, nullptr,
                                           reinterpret_cast<BYTE*>(value),
                                           sizeof value - 2 * sizeof(wchar_t), nullptr)) {
        return {};
    }
    return Utf8(value);
}

// The port's name (COM3) from its device key, "" when it has none.
std::string PortName(HDEVINFO devices, SP_DEVINFO_DATA& device) {
    const HKEY key =
        SetupDiOpenDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_QUERY_VALUE);
    if (key == INVALID_HANDLE_VALUE) {
        return {};
    }
    wchar_t name[64] = {};
    DWORD size = sizeof name - sizeof(wchar_t);
    DWORD type = 0;
    const bool read = RegQueryValueExW(key, L"PortName", nullptr, &type,
                                       reinterpret_cast<BYTE*>(name), &size) == ERROR_SUCCESS &&
                      type == REG_SZ;
    RegCloseKey(key);
    return read ? Utf8(name) : std::string();
}

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
        const std::string name = PortName(devices, device);
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
