#include <windows.h>

#include "link/device_port.h"
#include "link/port_name.h"
#include "link/utf16_win32.h"

namespace kavrel {

bool PortPresent(std::string_view name) {
    // The link opens "\\.\" + name; the device list knows the name behind that prefix.
    const std::string path = DevicePort::PathOf(name);
    wchar_t target[MAX_PATH];
    return !path.empty() && QueryDosDeviceW(Utf16(path.substr(4)).c_str(), target, MAX_PATH) != 0;
}

}  // namespace kavrel
