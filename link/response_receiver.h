#pragma once

#include <stop_token>

#include "link/response_assembly.h"

namespace kavrel {

class DevicePort;

// The receive worker's body: collects one response from the port, a byte at a time, by the
// rules of CollectResponse, until the line has been silent for more than kResponseSilence
// after the last byte, or until stop is requested. Before the first byte it waits without
// limit (the caller's response time-out stops it); while waiting it sleeps on the port, so
// an idle line costs no CPU.
void ReceiveResponseWorker(DevicePort& port, const std::stop_token& stop, ReceivedResponse& out);

}  // namespace kavrel
