#pragma once

// Why the cable cannot be used, read from the machine's own state (sysfs, /proc, /dev and
// the group database) and told in one line for the operator; "" when the cause is not
// known. Reading never fails an operation: whatever cannot be read is skipped.

#include <string>

#include "diagnosis/machine.h"

namespace kavrel::diagnosis {

// No CH340 or Prolific port was found: a cable held by a program instead of its serial
// driver, an adapter of another kind, or no adapter at all.
std::string WhyNoCable(const Machine& machine);

// Opening the port failed with `openErrno` (EBUSY when the port is taken, whether by
// its lock, its exclusive mode or another process seen holding it): no permission,
// another program holds it, or it is gone.
std::string WhyPortDoesNotOpen(const Machine& machine, const std::string& devicePath,
                               int openErrno);

}  // namespace kavrel::diagnosis
