#include "diagnosis/this_machine.h"

#include "diagnosis/causes.h"
#include "diagnosis/open_holders.h"

namespace kavrel::diagnosis {

std::string NoCableCause() {
    return WhyNoCable(Machine{});
}

std::string PortOpenCause(const std::string& devicePath, int openErrno) {
    return WhyPortDoesNotOpen(Machine{}, devicePath, openErrno);
}

bool AnotherProgramHolds(const std::string& devicePath) {
    return FindOtherHolder(Machine{}, devicePath).has_value();
}

}  // namespace kavrel::diagnosis
