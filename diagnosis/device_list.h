#pragma once

// The USB and serial devices Windows has present, as Device Manager shows them: what the
// Windows diagnosis reads (device_list_win32.cpp) and its rules judge
// (device_list_causes.h). Plain data, so the rules are tried on any platform.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kavrel::diagnosis {

// The configuration manager's codes the rules tell apart (cfg.h), as Device Manager shows
// them ("code 28").
inline constexpr uint32_t kHasProblem = 0x400;  // DN_HAS_PROBLEM: `problem` holds a code
inline constexpr uint32_t kFailedStart = 10;    // CM_PROB_FAILED_START
inline constexpr uint32_t kDisabled = 22;       // CM_PROB_DISABLED
inline constexpr uint32_t kFailedInstall = 28;  // CM_PROB_FAILED_INSTALL: no driver

struct PresentDevice {
    uint16_t vendor = 0;   // USB vendor id, 0 for a device not on USB
    uint16_t product = 0;  // USB product id
    uint32_t status = 0;   // DN_* flags
    uint32_t problem = 0;  // CM_PROB_*, meaningful only with kHasProblem in `status`
    std::string name;      // the friendly name, else the description
    std::string port;      // COMn, "" when it has none
};
using DeviceList = std::vector<PresentDevice>;

// Windows only: this machine's present devices that have a USB vendor id or a COM port.
// What cannot be read of a device is left out; nothing when the list cannot be read at all.
std::optional<DeviceList> PresentDevices();

}  // namespace kavrel::diagnosis
