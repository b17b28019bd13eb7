// The diagnosis on Windows: the device list as Device Manager shows it. A port another
// program holds is refused at its opening (ports open without sharing), so no holder is
// looked for beforehand.
#include <string_view>

#include "diagnosis/device_list_causes.h"
#include "diagnosis/this_machine.h"

namespace kavrel::diagnosis {

// A device list that cannot be read tells nothing, not even that nothing is plugged in.
std::string NoCableCause() {
    const auto devices = PresentDevices();
    return devices ? WhyNoCable(*devices) : std::string();
}

std::string PortOpenCause(const std::string& devicePath, int openErrno) {
    // The port is opened as \\.\COMn; Device Manager and the operator know it as COMn.
    constexpr std::string_view kDevicePrefix = "\\\\.\\";
    const std::string port = devicePath.starts_with(kDevicePrefix)
                                 ? devicePath.substr(kDevicePrefix.size())
                                 : devicePath;
    return WhyPortDoesNotOpen(PresentDevices().value_or(DeviceList{}), port, openErrno);
}

bool AnotherProgramHolds(const std::string&) {
    return false;
}

}  // namespace kavrel::diagnosis
