#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>

#include "diagnosis/cause_texts.h"
#include "diagnosis/causes.h"
#include "diagnosis/open_holders.h"

namespace kavrel::diagnosis {

namespace fs = std::filesystem;

namespace {

struct Chip {
    const char* vendor;
    const char* name;
    const char* interfaceDriver;  // the kernel's serial driver for the chip's USB interface
};
constexpr Chip kCableChips[] = {{"1a86", "CH340", "ch341"}, {"067b", "Prolific", "pl2303"}};

// A userspace program that claims a USB interface binds it to this driver.
constexpr std::string_view kClaimedByProgram = "usbfs";

const Chip* CableChipOf(const std::string& vendor) {
    for (const Chip& chip : kCableChips) {
        if (vendor == chip.vendor) {
            return &chip;
        }
    }
    return nullptr;
}

// A sysfs attribute's first line, "" when unreadable.
std::string ReadAttribute(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

std::string DriverOf(const fs::path& device) {
    std::error_code error;
    return fs::read_symlink(device / "driver", error).filename().string();
}

std::vector<std::string> SortedNames(const fs::path& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The USB device node libusb programs open: /dev/bus/usb/BBB/DDD.
std::string UsbNode(const Machine& machine, const fs::path& device) {
    char node[32];
    std::snprintf(node, sizeof node, "/bus/usb/%03d/%03d",
                  std::atoi(ReadAttribute(device / "busnum").c_str()),
                  std::atoi(ReadAttribute(device / "devnum").c_str()));
    return machine.dev + node;
}

// Why a cable chip has no port: what holds its interface instead of the serial driver.
std::string WhyNoPort(const Machine& machine, const Chip& chip, const fs::path& device,
                      const std::vector<std::string>& interfaceDrivers) {
    std::optional<Holder> holder = FindOtherHolder(machine, UsbNode(machine, device));
    const bool claimed = std::find(interfaceDrivers.begin(), interfaceDrivers.end(),
                                   kClaimedByProgram) != interfaceDrivers.end();
    if (!holder && claimed) {
        // The braille service runs as another user, so its descriptors are out of sight;
        // it is the one program that claims these chips on its own.
        holder = FindProgram(machine, "brltty");
    }
    if (holder && holder->program == "brltty") {
        return texts::CableHeldByBrailleService(chip.name, *holder);
    }
    if (holder) {
        return texts::CableHeldByProgram(chip.name, *holder);
    }
    return claimed ? texts::CableHeldByUnseenProgram(chip.name)
                   : texts::CableWithoutDriver(chip.name, chip.interfaceDriver);
}

// The USB device a tty hangs from: the nearest folder above its device with a vendor.
std::optional<fs::path> UsbDeviceAbove(const fs::path& ttyDevice, const fs::path& sysRoot) {
    std::error_code error;
    const fs::path root = fs::weakly_canonical(sysRoot, error);
    for (fs::path folder = fs::canonical(ttyDevice, error);
         !error && folder.has_relative_path() && folder != root; folder = folder.parent_path()) {
        if (fs::exists(folder / "idVendor", error)) {
            return folder;
        }
    }
    return std::nullopt;
}

}  // namespace

std::string WhyNoCable(const Machine& machine) {
    const fs::path usb = fs::path(machine.sys) / "bus/usb/devices";
    const std::vector<std::string> usbNames = SortedNames(usb);
    bool cableServed = false;
    for (const std::string& name : usbNames) {
        if (name.find(':') != std::string::npos) {
            continue;  // an interface
        }
        const Chip* chip = CableChipOf(ReadAttribute(usb / name / "idVendor"));
        if (!chip) {
            continue;
        }
        std::vector<std::string> interfaceDrivers;
        for (const std::string& other : usbNames) {
            if (other.starts_with(name + ":")) {
                interfaceDrivers.push_back(DriverOf(usb / other));
            }
        }
        if (std::find(interfaceDrivers.begin(), interfaceDrivers.end(), chip->interfaceDriver) !=
            interfaceDrivers.end()) {
            cableServed = true;
            continue;
        }
        return WhyNoPort(machine, *chip, usb / name, interfaceDrivers);
    }
    if (cableServed) {
        return {};  // the cable has its port; what went wrong is not the machine's state
    }

    const fs::path ttys = fs::path(machine.sys) / "class/tty";
    for (const std::string& name : SortedNames(ttys)) {
        const fs::path device = ttys / name / "device";
        const auto usbDevice = UsbDeviceAbove(device, machine.sys);
        // A port built into the computer, such as a mobile broadband modem's, is no adapter.
        if (usbDevice && ReadAttribute(*usbDevice / "removable") != "fixed") {
            return texts::OtherAdapter(ReadAttribute(*usbDevice / "product"), DriverOf(device),
                                       machine.dev + "/" + name);
        }
    }
    return texts::kNoAdapter;
}

}  // namespace kavrel::diagnosis
