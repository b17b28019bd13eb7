#include "link/transaction.h"

#include <condition_variable>
#include <functional>
#include <mutex>
#include <stop_token>
#include <string>
#include <system_error>
#include <thread>

#include "link/device_port.h"
#include "link/link_texts.h"
#include "link/response_receiver.h"
#include "link/screen.h"
#include "link/trace_sink.h"

namespace kavrel {

namespace {

using Clock = std::chrono::steady_clock;

// What a worker hands back to the main thread once it has ended.
struct Received : ReceivedResponse {
    Clock::time_point end{};
};

void SendRequestWorker(DevicePort& port, const FrameBuffer& request, int32_t length) {
    if (port.IsDevicePortOpen()) {
        port.WriteBytes(request.data(), length);
    }
}

}  // namespace

// One worker thread of an attempt. It fills its own buffer and signals its end last; the
// main thread reads the buffer only once it has seen that signal, so nothing is shared
// while the worker runs. A worker is never killed: ending it is a stop request and a wait.
class Transactions::Worker {
  public:
    using Body = std::function<void(std::stop_token, Received&)>;

    explicit Worker(Body body)
        : thread_([this, body = std::move(body)](std::stop_token stop) {
              body(stop, received_);
              {
                  std::lock_guard lock(mutex_);
                  received_.end = Clock::now();
                  done_ = true;
              }
              ended_.notify_all();
          }) {}
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    // Nullptr when no thread can be started; the attempt then goes on without it.
    static std::unique_ptr<Worker> Start(Body body) {
        try {
            return std::make_unique<Worker>(std::move(body));
        } catch (const std::system_error&) {
            return nullptr;
        }
    }

    bool WaitEndUntil(Clock::time_point deadline) {
        std::unique_lock lock(mutex_);
        return ended_.wait_until(lock, deadline, [this] { return done_; });
    }

    // Stop request and a bounded wait, pass by pass; false when it still runs after all.
    static bool End(const std::unique_ptr<Worker>& worker) {
        if (!worker) {
            return true;
        }
        worker->thread_.request_stop();
        for (int pass = 1; pass <= kWorkerEndPasses; ++pass) {
            if (worker->WaitEndUntil(Clock::now() + kWorkerEndWait)) {
                return true;
            }
        }
        return false;
    }

    // Only after the end was seen.
    const Received& Result() const { return received_; }

  private:
    std::mutex mutex_;
    std::condition_variable ended_;
    bool done_ = false;
    Received received_;
    std::jthread thread_;  // last: it starts once everything above exists, joins first
};

Transactions::Transactions(DevicePort& port, Screen& screen) : port_(port), screen_(screen) {}

Transactions::~Transactions() = default;  // each worker's jthread asks it to stop and joins

void Transactions::BeginRequest(uint8_t address, uint8_t command) {
    request_[0] = kStartByte;
    request_[1] = address;
    request_[2] = command;
    requestLength_ = 3;
    requestSum_ = static_cast<uint8_t>(kStartByte + address + command);
}

void Transactions::AddRequestByte(uint8_t value) {
    if (requestLength_ < kMaxFrameLength) {
        request_[requestLength_++] = value;
        requestSum_ = static_cast<uint8_t>(requestSum_ + value);
    }
}

TransactionResult Transactions::RunTransaction() {
    if (requestLength_ < kMaxFrameLength) {
        request_[requestLength_++] = static_cast<uint8_t>(0u - requestSum_);
    }
    TransactionResult result = TransactionResult::Ok;
    int attempt = 0;
    while (attempt < kAttemptsPerTransaction) {
        result = RunAttempt(++attempt);
        if (result == TransactionResult::Ok || result == TransactionResult::CancelledByUser) {
            break;
        }
    }
    if (trace_) {
        trace_->Trace({TraceEvent::Kind::Result, request_[2], attempt, {}, result});
    }
    if (result != TransactionResult::Ok) {
        std::string cause;
        if (result == TransactionResult::PortClosed) {
            cause = portCause_;
        } else if (result == TransactionResult::NoResponse && port_.HasHungUp()) {
            cause = texts::kCableCameOff;
        }
        screen_.ShowMessage(MessageIcon::Error, FailureTitle(result),
                            FailureText(result) + (cause.empty() ? "" : "\n\n" + cause));
    }
    return result;
}

TransactionResult Transactions::RunAttempt(int attempt) {
    responseLength_ = 0;  // nothing received until this attempt receives it
    std::this_thread::sleep_for(kAttemptPause);
    if (screen_.PollCancel()) {
        return TransactionResult::CancelledByUser;  // replaces a closed port
    }
    if (!port_.IsDevicePortOpen()) {
        return TransactionResult::PortClosed;
    }
    if (!Worker::End(sendThread_)) {
        return TransactionResult::SendWorkerStuck;
    }
    response_.fill(0);
    DrainStaleInput();

    if (trace_) {
        trace_->Trace({TraceEvent::Kind::Request,
                       request_[2],
                       attempt,
                       {request_.data(), static_cast<size_t>(requestLength_)},
                       TransactionResult::Ok});
    }
    // What came back is traced only for an attempt that sent its request.
    const auto answered = [&](TransactionResult result) {
        if (trace_) {
            trace_->Trace({TraceEvent::Kind::Response,
                           request_[2],
                           attempt,
                           {response_.data(), static_cast<size_t>(responseLength_)},
                           result});
        }
        return result;
    };
    // The worker gets its own copy of the request, so the buffer is free again at once.
    sendThread_ = Worker::Start(
        [&port = port_, request = request_, length = requestLength_](std::stop_token, Received&) {
            SendRequestWorker(port, request, length);
        });

    if (!Worker::End(receiveThread_)) {
        return answered(TransactionResult::ReceiveWorkerStuck);
    }
    const auto started = Clock::now();
    receiveThread_ = Worker::Start([&port = port_](std::stop_token stop, Received& out) {
        ReceiveResponseWorker(port, stop, out);
    });
    bool endedInTime = true;  // a worker that could not start ended at once
    if (receiveThread_) {
        endedInTime = receiveThread_->WaitEndUntil(started + kResponseTimeout);
        if (!endedInTime) {
            // The worker leaves its wait as soon as it is asked to, so a silent attempt
            // costs about 15 + 500 ms, not another 300 ms for a worker that could only
            // have been killed: a silent unit fails after about 1.55 s rather than 2.45 s.
            if (!Worker::End(receiveThread_)) {
                return answered(TransactionResult::NoResponse);  // it still writes its buffer
            }
        }
        const auto& result = receiveThread_->Result();
        response_ = result.bytes;
        responseLength_ = result.length;
        if (result.length > 0) {
            lastSilence_ = result.end - result.lastByte;
        }
    }
    return answered(JudgeResponse(response_.data(), responseLength_, endedInTime));
}

void Transactions::DrainStaleInput() {
    uint8_t byte = 0;
    while (port_.AvailableBytes() > 0 && port_.ReadBytes(&byte, 1) == 1) {
    }
}

std::string FailureTitle(TransactionResult result) {
    return std::string(result == TransactionResult::CancelledByUser ? texts::kAttentionTitle
                                                                    : texts::kErrorTitle);
}

std::string FailureText(TransactionResult result) {
    const std::string failed(texts::kCommandFailed);
    switch (result) {
        case TransactionResult::PortClosed:
            return failed + std::string(texts::kPortClosed);
        case TransactionResult::SendWorkerStuck:
        case TransactionResult::ReceiveWorkerStuck:
            return failed + std::string(texts::kWorkerStuck) + std::to_string(ErrorNumber(result));
        case TransactionResult::NoResponse:
            return failed + std::string(texts::kNoResponse);
        case TransactionResult::CancelledByUser:
            return failed + std::string(texts::kCancelled);
        default:
            return failed + std::string(texts::kBadResponse) + std::to_string(ErrorNumber(result));
    }
}

}  // namespace kavrel
