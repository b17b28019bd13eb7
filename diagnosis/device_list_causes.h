#pragma once

// Why the cable cannot be used on Windows, judged from the device list and told in one
// line for the operator; "" when the cause is not known.

#include <string>

#include "diagnosis/device_list.h"

namespace kavrel::diagnosis {

// No CH340 or Prolific port was found: a cable whose driver is missing, refuses its chip,
// failed or was disabled; an adapter of another kind; or no adapter at all.
std::string WhyNoCable(const DeviceList& devices);

// Opening the port `port` (COMn) failed with `openErrno`: EBUSY when another program has it
// open (Windows does not say which one to a user without administrator rights), ENOENT
// when no such port opens, as for a cable Device Manager shows with a problem.
std::string WhyPortDoesNotOpen(const DeviceList& devices, const std::string& port, int openErrno);

}  // namespace kavrel::diagnosis
