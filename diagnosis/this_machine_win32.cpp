// The diagnosis on Windows: the device list as Device Manager shows it. A port another
// program holds is refused at its opening (ports open without sharing), so no holder is
// looked for beforehand.
#include <string_view>

#include "diagnosis/device_list_causes.h"
#include "diagnosis/this_machine.h"

namespace kavrel::diagnosis {

std::string NoCableCause() {
    return WhyNoCable(PresentDevices());
}

std::string PortOpenCause(const std::string& devicePath, int openErrno) {
    // The port is opened as \\.\COMn; Device Manager and the operator know it as COMn.
    constexpr std::string_view kDevicePrefix = "\\\\.\\";
    const std::string port = devicePath.starts_with(kDevicePrefix)
                                 ? devicePath.substr(kDevicePrefix.size())
                                 : devicePath;
    return WhyPortDoesNotOpen(PresentDevices(), port, openErrno);
}

bool AnotherProgramHolds(const std::string&) {
    return false;
}

}  // namespace kavrel::diagnosis
