#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <stop_token>

#include "link/frame.h"

namespace kavrel {

class DevicePort;

using FrameBuffer = std::array<uint8_t, kFrameBufferSize>;

// What one receive collected: the first kMaxFrameLength bytes of the response (the rest of
// the buffer untouched), how many were kept, and when the last byte of all arrived.
struct ReceivedResponse {
    FrameBuffer bytes{};
    int32_t length = 0;
    std::chrono::steady_clock::time_point lastByte{};
};

// The receive worker's body: collects one response from the port, a byte at a time, until
// the line has been silent for more than kResponseSilence after the last byte, or until
// stop is requested. Bytes beyond kMaxFrameLength are read and dropped. Before the first
// byte it waits without limit (the caller's response time-out stops it); while waiting it
// sleeps on the port, so an idle line costs no CPU.
void ReceiveResponseWorker(DevicePort& port, const std::stop_token& stop, ReceivedResponse& out);

}  // namespace kavrel
