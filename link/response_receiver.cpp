#include "link/response_receiver.h"

#include "link/device_port.h"

namespace kavrel {

namespace {

using Clock = std::chrono::steady_clock;

// How far past the silence limit the worker sleeps, so that when it wakes the line has
// been silent for more than kResponseSilence.
constexpr auto kSilenceMargin = 100us;
// A worker that has received nothing waits for its first byte until stopped.
constexpr auto kWaitForFirstByte = std::chrono::hours(1);

}  // namespace

void ReceiveResponseWorker(DevicePort& port, const std::stop_token& stop, ReceivedResponse& out) {
    bool received = false;
    while (!stop.stop_requested()) {
        uint8_t byte = 0;
        if (port.AvailableBytes() > 0 && port.ReadBytes(&byte, 1) == 1) {
            if (out.length < kMaxFrameLength) {
                out.bytes[out.length++] = byte;
            }
            out.lastByte = Clock::now();
            received = true;
            continue;
        }
        if (!received) {
            port.WaitReadable(kWaitForFirstByte, stop);
            continue;
        }
        // The queue was looked at just above, after any late wake-up: a silence this long
        // really ends the response.
        const auto silent = Clock::now() - out.lastByte;
        if (silent > kResponseSilence) {
            break;
        }
        port.WaitReadable(kResponseSilence - silent + kSilenceMargin, stop);
    }
}

}  // namespace kavrel
