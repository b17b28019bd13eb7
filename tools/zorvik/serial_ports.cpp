#include "tools/zorvik/serial_ports.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>

#include "link/port_list_contract.h"

namespace kavrel::zorvik {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kCh340Vendor = "1a86";
constexpr std::string_view kProlificVendor = "067b";

// The first word of a sysfs attribute file, if it can be read.
std::optional<std::string> ReadAttribute(const fs::path& file) {
    std::ifstream in(file);
    std::string word;
    if (!(in >> word)) {
        return std::nullopt;
    }
    std::transform(word.begin(), word.end(), word.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return word;
}

// The kernel driver bound to the device: the name its `driver` link points to.
std::string DriverOf(const fs::path& device) {
    std::error_code error;
    const fs::path target = fs::read_symlink(device / "driver", error);
    return error ? std::string() : target.filename().string();
}

// The USB vendor of the device or the nearest USB device above it, "" when none.
std::string UsbVendorOf(const fs::path& device, const fs::path& sysfsRoot) {
    std::error_code error;
    const fs::path root = fs::weakly_canonical(sysfsRoot, error);
    fs::path folder = fs::canonical(device, error);
    if (error) {
        return {};
    }
    for (; folder.has_relative_path() && folder != root; folder = folder.parent_path()) {
        if (auto vendor = ReadAttribute(folder / "idVendor")) {
            return *vendor;
        }
    }
    return {};
}

bool StartsWith(const std::string& text, std::string_view prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

// Legacy UART slots (ttyS) are registered whether or not a UART answers behind them; the
// port type 0 (unknown), or no type at all, marks an empty slot.
bool IsEmptyUartSlot(const std::string& name, const fs::path& tty) {
    if (!StartsWith(name, "ttyS")) {
        return false;
    }
    const auto type = ReadAttribute(tty / "type");
    return !type || *type == "0";
}

std::string Describe(const std::string& name, const std::string& driver,
                     const std::string& vendor) {
    if (driver == "ch341-uart" || vendor == kCh340Vendor || StartsWith(name, "ttyCH341USB")) {
        return std::string(port_list::kCh340Cable);
    }
    if (driver == "pl2303" || vendor == kProlificVendor) {
        return std::string(port_list::kProlificCable);
    }
    if (driver == "cdc_acm" || StartsWith(name, "ttyACM")) {
        return kAcmDescription;
    }
    if (!vendor.empty() || StartsWith(name, "ttyUSB")) {
        return kUsbSerialDescription;
    }
    return kPlainDescription;
}

}  // namespace

std::vector<SerialPort> HardwarePorts(const std::string& sysfsRoot, const std::string& devFolder) {
    std::vector<std::string> names;
    std::error_code error;
    for (const fs::directory_entry& entry :
         fs::directory_iterator(fs::path(sysfsRoot) / "class" / "tty", error)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());

    std::vector<SerialPort> ports;
    for (const std::string& name : names) {
        const fs::path tty = fs::path(sysfsRoot) / "class" / "tty" / name;
        const fs::path device = tty / "device";
        if (!fs::exists(device, error)) {
            continue;  // consoles, pseudo-terminals and the like
        }
        if (IsEmptyUartSlot(name, tty)) {
            continue;
        }
        ports.push_back({Describe(name, DriverOf(device), UsbVendorOf(device, sysfsRoot)),
                         (fs::path(devFolder) / name).string()});
    }
    return ports;
}

}  // namespace kavrel::zorvik
