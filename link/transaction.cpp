#include "link/transaction.h"

#include <condition_variable>
#include <functional>
#include <mutex>
#include <stop_token>
#include <string>
#include <system_error>
#include <thread>

#include "link/device_port.h"
#include "link/response_receiver.h"
#include "link/user_interface.h"

namespace kavrel {

namespace {

using Clock = std::chrono::steady_clock;

const std::string kFailedCommand = "Выполнить команду не удалось!!!\n";

std::string FailureText(int32_t code) {
    switch (code) {
        case kPortClosed:
            return kFailedCommand + "COM-порт закрылся во время сеанса. Повторите Сеанс!";
        case kSendWorkerStuck:
        case kReceiveWorkerStuck:
            return kFailedCommand + "Не удалось завершить поток №" + std::to_string(code);
        case kNoResponse:
            return kFailedCommand + "Устройство не отвечает";
        case kCancelledByUser:
            return kFailedCommand + "Операция прервана пользователем";
        default:
            return kFailedCommand + "Некорректный ответ.Ошибка №" + std::to_string(code);
    }
}

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

Transactions::Transactions(DevicePort& port, UserInterface& ui) : port_(port), ui_(ui) {}

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

int32_t Transactions::RunTransaction() {
    if (requestLength_ < kMaxFrameLength) {
        request_[requestLength_++] = static_cast<uint8_t>(0u - requestSum_);
    }
    int32_t code = kTransactionOk;
    for (int attempt = 1; attempt <= kAttemptsPerTransaction; ++attempt) {
        code = RunAttempt();
        if (code == kTransactionOk || code == kCancelledByUser) {
            break;
        }
    }
    if (code != kTransactionOk) {
        ShowFailure(code);
    }
    return code;
}

int32_t Transactions::RunAttempt() {
    std::this_thread::sleep_for(kAttemptPause);
    int32_t code = port_.IsDevicePortOpen() ? kTransactionOk : kPortClosed;
    if (ui_.PollCancel()) {
        code = kCancelledByUser;  // replaces a closed port
    }
    if (code != kTransactionOk) {
        return code;
    }
    if (!Worker::End(sendThread_)) {
        return kSendWorkerStuck;
    }
    response_.fill(0);
    responseLength_ = 0;
    DrainStaleInput();

    // The worker gets its own copy of the request, so the buffer is free again at once.
    sendThread_ = Worker::Start(
        [&port = port_, request = request_, length = requestLength_](std::stop_token, Received&) {
            SendRequestWorker(port, request, length);
        });

    if (!Worker::End(receiveThread_)) {
        return kReceiveWorkerStuck;
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
                return kNoResponse;  // it still writes its own buffer: leave ResponseBuffer alone
            }
        }
        const auto& result = receiveThread_->Result();
        response_ = result.bytes;
        responseLength_ = result.length;
        if (result.length > 0) {
            lastSilence_ = result.end - result.lastByte;
        }
    }
    return JudgeResponse(response_.data(), responseLength_, endedInTime);
}

void Transactions::DrainStaleInput() {
    uint8_t byte = 0;
    while (port_.AvailableBytes() > 0 && port_.ReadBytes(&byte, 1) == 1) {
    }
}

void Transactions::ShowFailure(int32_t code) {
    const std::string title = code == kCancelledByUser ? "Внимание" : "Ошибка";
    ui_.ShowMessage(MessageIcon::Error, title, FailureText(code));
}

}  // namespace kavrel
