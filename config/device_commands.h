#pragma once

#include <cstdint>

#include "config/operations.h"

namespace kavrel {

class DeviceLink;

// A write or an action: Ok only when the device answered ACK_VALUE. A refusal is told to
// the operator here, so that it never passes for success.
OperationResult SendAcknowledged(DeviceLink& link, uint8_t command, uint8_t value);

// Asks the device's class; Incompatible (told to the operator here) when it is not
// CONFIGURATOR_CLASS.
OperationResult CheckCompatibility(DeviceLink& link);

}  // namespace kavrel
