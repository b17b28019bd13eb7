#include <cstdint>

#include "config/commands.h"
#include "config/device_commands.h"
#include "config/operations.h"
#include "link/device_link.h"

namespace kavrel {

namespace {

// Test and reset: after the class check, one acknowledged command carrying the value 4.
OperationResult RunAction(DeviceLink& link, uint8_t command) {
    const auto session = link.Session();
    if (link.OpenCableLink() != CableSearch::Found) {
        return OperationResult::NoCable;
    }
    const OperationResult compatible = CheckCompatibility(link);
    return compatible == OperationResult::Ok ? SendAcknowledged(link, command, kActionValue)
                                             : compatible;
}

}  // namespace

OperationResult RunTest(DeviceLink& link) {
    return RunAction(link, CMD_TEST);
}

OperationResult RunReset(DeviceLink& link) {
    return RunAction(link, CMD_RESET);
}

}  // namespace kavrel
