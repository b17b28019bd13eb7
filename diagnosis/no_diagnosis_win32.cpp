// Windows keeps its own account of ports and their holders (Device Manager); the
// configurator names no cause there.
#include "diagnosis/this_machine.h"

namespace kavrel::diagnosis {

std::string NoCableCause() {
    return {};
}

std::string PortOpenCause(const std::string&, int) {
    return {};
}

bool AnotherProgramHolds(const std::string&) {
    return false;
}

std::string CableCameOff() {
    return {};
}

}  // namespace kavrel::diagnosis
