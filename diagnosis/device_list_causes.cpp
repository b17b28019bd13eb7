#include "diagnosis/device_list_causes.h"

#include <cerrno>
#include <optional>

#include "diagnosis/cause_texts.h"

namespace kavrel::diagnosis {

namespace {

constexpr uint16_t kCh340Vendor = 0x1A86, kProlificVendor = 0x067B;

// The cable chip a device is, "" for any other device.
std::string CableChipOf(const PresentDevice& device) {
    switch (device.vendor) {
        case kCh340Vendor:
            return "CH340";
        case kProlificVendor:
            return "Prolific";
        default:
            return {};
    }
}

uint32_t ProblemOf(const PresentDevice& device) {
    return (device.status & kHasProblem) ? device.problem : 0;
}

// Why a cable chip that Device Manager shows with a problem cannot serve; nothing when it
// shows none.
std::optional<std::string> WhyCableFails(const PresentDevice& device) {
    const std::string chip = CableChipOf(device);
    const uint32_t problem = ProblemOf(device);
    if (chip.empty() || problem == 0) {
        return std::nullopt;
    }
    switch (problem) {
        case kFailedInstall:
            return texts::CableWithoutWindowsDriver(chip);
        case kDisabled:
            return texts::CableDisabled(chip);
        case kFailedStart:
            if (device.vendor == kProlificVendor) {
                return texts::kProlificChipRefused;
            }
            [[fallthrough]];
        default:
            return texts::CableDriverFailed(chip, problem);
    }
}

// Device Manager names a port "USB Serial Port (COM5)"; the port is named on its own.
std::string WithoutPort(const std::string& name, const std::string& port) {
    const std::string suffix = " (" + port + ")";
    return name.ends_with(suffix) ? name.substr(0, name.size() - suffix.size()) : name;
}

}  // namespace

std::string WhyNoCable(const DeviceList& devices) {
    bool cableServed = false;
    for (const PresentDevice& device : devices) {
        if (const auto why = WhyCableFails(device)) {
            return *why;
        }
        cableServed = cableServed || (!CableChipOf(device).empty() && !device.port.empty());
    }
    if (cableServed) {
        return {};  // the cable has its port; what went wrong is not the device list's
    }
    for (const PresentDevice& device : devices) {
        // A port of the computer's own (COM1 on the motherboard) has no USB vendor.
        if (device.vendor != 0 && device.port.starts_with("COM")) {
            return texts::OtherAdapter(texts::Shown(WithoutPort(device.name, device.port)), "",
                                       texts::Shown(device.port));
        }
    }
    return texts::kNoAdapter;
}

std::string WhyPortDoesNotOpen(const DeviceList& devices, const std::string& port, int openErrno) {
    switch (openErrno) {
        case EBUSY:
            return texts::PortBusy(texts::Shown(port));
        case ENOENT:
            // Device Manager keeps listing the port of a cable it cannot serve.
            for (const PresentDevice& device : devices) {
                if (device.port == port) {
                    if (const auto why = WhyCableFails(device)) {
                        return *why;
                    }
                }
            }
            return texts::PortGone(texts::Shown(port));
        default:
            return {};
    }
}

}  // namespace kavrel::diagnosis
