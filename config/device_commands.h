#pragma once

#include <cstdint>

namespace kavrel {

class DeviceLink;

// A write or an action: true only when the device answered ACK_VALUE. A refusal is told to
// the operator here, so that it never passes for success.
bool SendAcknowledged(DeviceLink& link, uint8_t command, uint8_t value);

// Asks the device's class; false when the transaction failed or the class is not
// CONFIGURATOR_CLASS (the operator is told of the mismatch here).
bool CheckCompatibility(DeviceLink& link);

}  // namespace kavrel
