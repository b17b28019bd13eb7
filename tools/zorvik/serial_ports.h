#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kavrel::zorvik {

// Other ports' descriptions; the two cables the configurator accepts are described as the
// port list's contract says.
inline constexpr const char* kUsbSerialDescription = "USB Serial Port";
inline constexpr const char* kAcmDescription = "USB ACM Modem";
inline constexpr const char* kPlainDescription = "Serial Port";

struct SerialPort {
    std::string description;
    std::string path;  // the full device path, e.g. /dev/ttyUSB0

    bool operator==(const SerialPort&) const = default;
};

// The machine's serial ports as sysfs shows them under `sysfsRoot` (normally /sys), with
// device paths under `devFolder` (normally /dev), ordered by name. Terminals without a
// device behind them and legacy UART slots without a UART are left out. CH340/CH341 and
// Prolific cables carry the descriptions the configurator looks for.
std::vector<SerialPort> HardwarePorts(const std::string& sysfsRoot, const std::string& devFolder);

}  // namespace kavrel::zorvik
