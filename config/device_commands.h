#pragma once

#include <cstdint>
#include <optional>

namespace kavrel {

struct DeviceLink;

// One command as one transaction to every device (address 255) with one value byte. The
// response's data byte, or nothing when the transaction failed (already reported).
std::optional<uint8_t> SendCommand(DeviceLink& link, uint8_t command, uint8_t value);

// A write or an action: true only when the device answered ACK_VALUE. A refusal is told to
// the operator here, so that it never passes for success.
bool SendAcknowledged(DeviceLink& link, uint8_t command, uint8_t value);

// Asks the device's class; false when the transaction failed or the class is not
// CONFIGURATOR_CLASS (the operator is told of the mismatch here).
bool CheckCompatibility(DeviceLink& link);

}  // namespace kavrel
