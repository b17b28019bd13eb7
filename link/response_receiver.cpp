#include "link/response_receiver.h"

#include "link/device_port.h"

namespace kavrel {

namespace {

using Clock = std::chrono::steady_clock;

// How far past the join deadline the worker sleeps, so that when it wakes the line has
// been silent for more than kResponseSilence.
constexpr auto kSilenceMargin = 100us;
// A worker that has received nothing waits for its first byte until stopped.
constexpr auto kWaitForFirstByte = std::chrono::hours(1);

// The port as CollectResponse reads it, in real time.
class PortLine {
  public:
    PortLine(DevicePort& port, const std::stop_token& stop) : port_(port), stop_(stop) {}

    std::optional<ArrivedByte> Next(std::optional<LineTime> until) {
        while (!stop_.stop_requested()) {
            uint8_t byte = 0;
            if (port_.AvailableBytes() > 0 && port_.ReadBytes(&byte, 1) == 1) {
                return ArrivedByte{byte, Clock::now()};
            }
            if (!until) {
                port_.WaitReadable(kWaitForFirstByte, stop_);
                continue;
            }
            // The queue was looked at just above, after any late wake-up: a silence past the
            // deadline really ends the response.
            const auto now = Clock::now();
            if (now > *until) {
                break;
            }
            port_.WaitReadable(*until - now + kSilenceMargin, stop_);
        }
        return std::nullopt;
    }

  private:
    DevicePort& port_;
    const std::stop_token& stop_;
};

}  // namespace

void ReceiveResponseWorker(DevicePort& port, const std::stop_token& stop, ReceivedResponse& out) {
    PortLine line(port, stop);
    CollectResponse(line, out);
}

}  // namespace kavrel
