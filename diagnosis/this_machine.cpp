#include "diagnosis/this_machine.h"

#include "diagnosis/causes.h"
#include "diagnosis/holder_watch.h"

namespace kavrel::diagnosis {

std::string NoCableCause() {
    return WhyNoCable(Machine{});
}

std::string PortOpenCause(const std::string& devicePath, int openErrno) {
    return WhyPortDoesNotOpen(Machine{}, devicePath, openErrno);
}

bool AnotherProgramHolds(const std::string& devicePath) {
    // Asked before every open of the port: one watch for the program's life remembers that
    // nobody else held it.
    static HolderWatch watch;
    return watch.FindOtherHolder(Machine{}, devicePath).has_value();
}

}  // namespace kavrel::diagnosis
