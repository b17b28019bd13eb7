#include <cstdint>

#include "config/commands.h"
#include "config/device_commands.h"
#include "config/operations.h"
#include "link/device_link.h"

namespace kavrel {

namespace {

// Test and reset: after the class check, one acknowledged command carrying the value 4.
void RunAction(DeviceLink& link, uint8_t command) {
    const auto session = link.Session();
    if (link.OpenCableLink() == CableSearch::Found && CheckCompatibility(link)) {
        SendAcknowledged(link, command, kActionValue);
    }
}

}  // namespace

void RunTest(DeviceLink& link) {
    RunAction(link, CMD_TEST);
}

void RunReset(DeviceLink& link) {
    RunAction(link, CMD_RESET);
}

}  // namespace kavrel
