#include <windows.h>

#include <cfgmgr32.h>
#include <setupapi.h>

#include <cstdlib>
#include <string>

#include "diagnosis/device_list.h"
#include "link/device_registry_win32.h"
#include "link/utf16_win32.h"

namespace kavrel::diagnosis {

namespace {

// The 4 hex digits after `key` in a device's instance id: USB\VID_1A86&PID_7523\..., or
// FTDIBUS\VID_0403+PID_6001+...\0000 for a port an adapter's own bus driver made. 0 when
// the id has none.
uint16_t IdAfter(const std::string& instanceId, const char* key) {
    const size_t at = instanceId.find(key);
    if (at == std::string::npos || instanceId.size() < at + 8) {
        return 0;
    }
    const std::string digits = instanceId.substr(at + 4, 4);
    char* end = nullptr;
    const unsigned long id = std::strtoul(digits.c_str(), &end, 16);
    return *end == '\0' ? static_cast<uint16_t>(id) : 0;
}

std::string InstanceId(HDEVINFO devices, SP_DEVINFO_DATA& device) {
    wchar_t id[MAX_DEVICE_ID_LEN + 1] = {};
    if (!SetupDiGetDeviceInstanceIdW(devices, &device, id, MAX_DEVICE_ID_LEN, nullptr)) {
        return {};
    }
    std::string upper = Utf8(id);
    for (char& c : upper) {
        c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
    return upper;
}

}  // namespace

std::optional<DeviceList> PresentDevices() {
    // Every class: a cable without its driver is in none yet.
    const HDEVINFO devices =
        SetupDiGetClassDevsW(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES | DIGCF_PRESENT);
    if (devices == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    DeviceList list;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD index = 0; SetupDiEnumDeviceInfo(devices, index, &device); ++index) {
        const std::string id = InstanceId(devices, device);
        PresentDevice present;
        present.vendor = IdAfter(id, "VID_");
        present.product = IdAfter(id, "PID_");
        present.port = DevicePortName(devices, device);
        if (present.vendor == 0 && !present.port.starts_with("COM")) {
            continue;
        }
        ULONG status = 0, problem = 0;
        if (CM_Get_DevNode_Status(&status, &problem, device.DevInst, 0) == CR_SUCCESS) {
            present.status = status;
            present.problem = problem;
        }
        present.name = DeviceProperty(devices, device, SPDRP_FRIENDLYNAME);
        if (present.name.empty()) {
            present.name = DeviceProperty(devices, device, SPDRP_DEVICEDESC);
        }
        list.push_back(std::move(present));
    }
    SetupDiDestroyDeviceInfoList(devices);
    return list;
}

}  // namespace kavrel::diagnosis
