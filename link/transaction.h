#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "link/frame.h"
#include "link/response_receiver.h"
#include "link/transaction_result.h"

namespace kavrel {

class DevicePort;
class Screen;
class TraceSink;

// Request/response exchanges with the device: one request frame, up to three attempts,
// each with a send and a receive worker supervised from the user-interface thread.
class Transactions {
  public:
    Transactions(DevicePort& port, Screen& screen);
    ~Transactions();  // ends the workers of the last attempt
    Transactions(const Transactions&) = delete;
    Transactions& operator=(const Transactions&) = delete;

    void BeginRequest(uint8_t address, uint8_t command);
    void AddRequestByte(uint8_t value);
    // Every failure has been shown to the operator once when this returns.
    TransactionResult RunTransaction();
    // Why the port did not open, told after the closed-port text; "" when not known.
    void SetPortCause(std::string cause) { portCause_ = std::move(cause); }

    const FrameBuffer& ResponseBuffer() const { return response_; }

    // Every request, response and result from now on also goes to `sink`; nullptr stops it.
    void SetTraceSink(TraceSink* sink) { trace_ = sink; }

    // For measurements: how long the line was silent between the last response byte and
    // the end of the receive worker, in the latest attempt that received a byte.
    std::chrono::nanoseconds LastResponseSilence() const { return lastSilence_; }

  private:
    class Worker;

    TransactionResult RunAttempt(int attempt);
    void DrainStaleInput();

    DevicePort& port_;
    Screen& screen_;
    FrameBuffer request_{};
    int32_t requestLength_ = 0;
    uint8_t requestSum_ = 0;
    FrameBuffer response_{};
    int32_t responseLength_ = 0;
    std::chrono::nanoseconds lastSilence_{};
    std::string portCause_;
    TraceSink* trace_ = nullptr;
    // The latest workers, kept from one attempt to the next: an attempt ends them first.
    std::unique_ptr<Worker> sendThread_;
    std::unique_ptr<Worker> receiveThread_;
};

}  // namespace kavrel
