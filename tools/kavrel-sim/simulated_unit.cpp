#include "tools/kavrel-sim/simulated_unit.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <map>
#include <mutex>
#include <optional>
#include <random>
#include <stop_token>
#include <system_error>
#include <thread>

#include "link/poll_duration.h"
#include "tools/kavrel-sim/unit_protocol.h"

namespace kavrel::sim {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// How often a unit whose port nobody has open looks whether somebody opened it.
constexpr auto kOpenerRecheck = 5ms;

// Bytes of an unfinished request are dropped (and logged) after this much silence.
constexpr auto kPartialRequestTimeout = 100ms;
constexpr auto kStaleJunkDelay = 20ms;
constexpr uint8_t kStaleJunkByte = 0x55;
constexpr int kNoiseLength = 90;

void MakeRaw(int fd) {
    termios line{};
    if (tcgetattr(fd, &line) == 0) {
        cfmakeraw(&line);
        tcsetattr(fd, TCSANOW, &line);
    }
}

}  // namespace

struct SimulatedUnit::Impl {
    // Our end of the line. The unit does not hold the configurator's end: a device does
    // not hold its own port, so whoever else has it open is another program.
    int master = -1;
    int wake = -1;  // eventfd: new output queued or stop requested
    std::string slavePath;

    mutable std::mutex mutex;  // guards everything below up to the thread
    DeviceModel model;
    std::vector<Fault> faults;
    std::vector<LoggedRequest> log;
    int commits = 0;
    // Bytes due on the line. A follow-up is timed from when its lead really went out, so a
    // late wake-up never shortens a gap that a fault asks for.
    struct Output {
        std::vector<uint8_t> bytes;
        Clock::duration followAfter{};
        std::vector<uint8_t> followUp;
        bool pullCable = false;  // after the bytes, the line goes dead
    };
    std::multimap<Clock::time_point, Output> outbox;
    std::minstd_rand noise{0x4B4156};

    std::jthread thread;  // last member: started after the rest exists

    void Wake() const { eventfd_write(wake, 1); }
    void Queue(Clock::time_point when, std::vector<uint8_t> bytes);
    void Run(const std::stop_token& stop);
    void SendDue(Clock::time_point now, Clock::time_point& next);
    void PullCable();
    std::vector<uint8_t> Noise(int length);
    void HandleRequest(std::vector<uint8_t> frame, Clock::time_point arrived);
    std::optional<Fault> TakeFault(uint8_t command);
};

void SimulatedUnit::Impl::Queue(Clock::time_point when, std::vector<uint8_t> bytes) {
    std::lock_guard lock(mutex);
    outbox.emplace(when, Output{std::move(bytes), {}, {}});
}

void SimulatedUnit::Impl::SendDue(Clock::time_point now, Clock::time_point& next) {
    std::vector<Output> due;
    {
        std::lock_guard lock(mutex);
        while (!outbox.empty() && outbox.begin()->first <= now) {
            due.push_back(std::move(outbox.begin()->second));
            outbox.erase(outbox.begin());
        }
        if (!outbox.empty()) {
            next = std::min(next, outbox.begin()->first);
        }
    }
    for (auto& output : due) {
        if (master < 0) {
            return;  // the cable is out: nothing more reaches the line
        }
        // The pty queue holds kilobytes; what does not fit (nobody reads) is lost, as on
        // a line with nobody listening.
        [[maybe_unused]] const ssize_t written =
            write(master, output.bytes.data(), output.bytes.size());
        if (output.pullCable) {
            PullCable();
        } else if (!output.followUp.empty()) {
            const auto when = Clock::now() + output.followAfter;
            Queue(when, std::move(output.followUp));
            next = std::min(next, when);
        }
    }
}

// Our end closes, so the configurator's end reads as hung up, like a serial adapter that
// was unplugged.
void SimulatedUnit::Impl::PullCable() {
    if (master >= 0) {
        close(master);
        master = -1;
    }
}

std::vector<uint8_t> SimulatedUnit::Impl::Noise(int length) {
    std::uniform_int_distribution<int> byte(0, 255);
    std::vector<uint8_t> bytes(static_cast<size_t>(length > 0 ? length : kNoiseLength));
    for (auto& b : bytes) {
        b = static_cast<uint8_t>(byte(noise));
    }
    if (bytes[0] == kUnitStartByte) {
        bytes[0] = static_cast<uint8_t>(~kUnitStartByte);
    }
    return bytes;
}

std::optional<Fault> SimulatedUnit::Impl::TakeFault(uint8_t command) {
    for (auto it = faults.begin(); it != faults.end(); ++it) {
        const bool matches = it->command == kAnyCommand || it->command == command;
        const bool applies = (it->kind != FaultKind::Refuse || IsAcknowledged(command)) &&
                             (it->kind != FaultKind::ReadBackDiffers || IsSettingRead(command));
        if (!matches || !applies || it->times == 0) {
            continue;
        }
        const Fault taken = *it;
        if (it->times > 0 && --it->times == 0) {
            faults.erase(it);
        }
        return taken;
    }
    return std::nullopt;
}

void SimulatedUnit::Impl::HandleRequest(std::vector<uint8_t> frame, Clock::time_point arrived) {
    std::lock_guard lock(mutex);
    const uint8_t command = frame.size() > 2 ? frame[2] : 0;
    const uint8_t value = frame.size() > 3 ? frame[3] : 0;
    log.push_back(LoggedRequest{arrived, frame, command, value});
    if (!IsValidRequest(frame)) {
        return;  // logged, not answered
    }
    const std::optional<Fault> fault = TakeFault(command);
    // Without a fault the answer goes out at once, like an answer delayed by 0 ms.
    const FaultKind kind = fault ? fault->kind : FaultKind::Delay;
    const int param = fault ? fault->param : 0;
    std::optional<uint8_t> data;
    if (kind == FaultKind::Refuse) {
        data = static_cast<uint8_t>(param);
    } else {
        data = Answer(model, command, value);
        if (data && command == kCommit) {
            ++commits;
        }
        if (data && kind == FaultKind::ReadBackDiffers) {
            data = static_cast<uint8_t>(*data + 1);
        }
    }
    const auto start = arrived + std::chrono::milliseconds(fault ? fault->startDelay : 0);
    if (kind == FaultKind::PullCable) {
        outbox.emplace(start, Output{{}, {}, {}, true});
        return;
    }
    if (!data || kind == FaultKind::NoAnswer) {
        return;
    }
    std::vector<uint8_t> answer = AnswerFrame(*data);
    switch (kind) {
        case FaultKind::Delay:
            outbox.emplace(start + std::chrono::milliseconds(param),
                           Output{std::move(answer), {}, {}});
            return;
        case FaultKind::Split:
            outbox.emplace(start, Output{{answer.begin(), answer.begin() + 2},
                                         std::chrono::milliseconds(param),
                                         {answer.begin() + 2, answer.end()}});
            return;
        case FaultKind::BadStartByte:
            answer[0] = 0x6F;
            answer.back() = Checksum(answer.data(), answer.size() - 1);
            break;
        case FaultKind::BadChecksum:
            ++answer.back();
            break;
        case FaultKind::OneByte:
            answer.assign(1, kUnitStartByte);
            break;
        case FaultKind::OverLong:
            answer = OverLongFrame(*data, static_cast<size_t>(std::max(param, 4)));
            break;
        case FaultKind::Noise:
            answer = Noise(param);
            break;
        case FaultKind::StaleAfter:
            outbox.emplace(start,
                           Output{std::move(answer), kStaleJunkDelay,
                                  std::vector<uint8_t>(static_cast<size_t>(std::max(param, 0)),
                                                       kStaleJunkByte)});
            return;
        default:
            break;
    }
    outbox.emplace(start, Output{std::move(answer), {}, {}});
}

void SimulatedUnit::Impl::Run(const std::stop_token& stop) {
    std::stop_callback onStop(stop, [this] { Wake(); });
    std::vector<uint8_t> pending;  // request bytes not yet making a whole frame
    Clock::time_point lastInput{};
    bool lineUp = true;         // false once the cable was pulled
    bool nobodyOnLine = false;  // our end reads as hung up until someone opens the port
    while (!stop.stop_requested()) {
        const auto now = Clock::now();
        auto next = Clock::time_point::max();
        SendDue(now, next);
        if (!pending.empty()) {
            if (now - lastInput > kPartialRequestTimeout) {
                HandleRequest(std::move(pending), lastInput);
                pending.clear();
            } else {
                next = std::min(next, lastInput + kPartialRequestTimeout + 1ms);
            }
        }
        // A hung-up end polls as ready at once, so while nobody has the port open the unit
        // only looks again now and then instead of spinning on it.
        if (nobodyOnLine) {
            next = std::min(next, now + kOpenerRecheck);
        }
        pollfd fds[] = {{lineUp && !nobodyOnLine ? master : -1, POLLIN, 0}, {wake, POLLIN, 0}};
        nobodyOnLine = false;
        const timespec wait = ToTimespec(next - now);
        if (ppoll(fds, 2, next == Clock::time_point::max() ? nullptr : &wait, nullptr) < 0 &&
            errno != EINTR) {
            break;
        }
        if (fds[1].revents & POLLIN) {
            eventfd_t ignored = 0;
            eventfd_read(wake, &ignored);
        }
        if (fds[0].revents & POLLIN) {
            uint8_t chunk[256];
            const ssize_t n = read(master, chunk, sizeof chunk);
            lastInput = Clock::now();
            for (ssize_t i = 0; i < n; ++i) {
                pending.push_back(chunk[i]);
                if (pending.size() == kRequestLength) {
                    HandleRequest(std::move(pending), lastInput);
                    pending.clear();
                }
            }
        } else if (fds[0].revents & POLLHUP) {
            nobodyOnLine = true;
        } else if (fds[0].revents & (POLLERR | POLLNVAL)) {
            lineUp = false;  // never spin on a dead line; keep serving the stop request
        }
    }
}

SimulatedUnit::SimulatedUnit(DeviceModel model) : impl_(std::make_unique<Impl>()) {
    char name[128] = {};
    int slave = -1;
    if (openpty(&impl_->master, &slave, name, nullptr, nullptr) != 0) {
        throw std::system_error(errno, std::generic_category(), "openpty");
    }
    impl_->wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (impl_->wake < 0) {
        throw std::system_error(errno, std::generic_category(), "eventfd");
    }
    MakeRaw(slave);
    MakeRaw(impl_->master);
    close(slave);  // the line keeps its settings while our end stays open
    fcntl(impl_->master, F_SETFL, fcntl(impl_->master, F_GETFL) | O_NONBLOCK);
    fcntl(impl_->master, F_SETFD, FD_CLOEXEC);
    impl_->slavePath = name;
    impl_->model = model;
    impl_->thread = std::jthread([impl = impl_.get()](std::stop_token stop) { impl->Run(stop); });
}

SimulatedUnit::~SimulatedUnit() {
    if (impl_->thread.joinable()) {
        impl_->thread.request_stop();
        impl_->thread.join();
    }
    for (int fd : {impl_->master, impl_->wake}) {
        if (fd >= 0) {
            close(fd);
        }
    }
}

const std::string& SimulatedUnit::SlavePath() const {
    return impl_->slavePath;
}

void SimulatedUnit::AddFault(const Fault& fault) {
    std::lock_guard lock(impl_->mutex);
    impl_->faults.push_back(fault);
}

void SimulatedUnit::ClearFaults() {
    std::lock_guard lock(impl_->mutex);
    impl_->faults.clear();
}

void SimulatedUnit::SendUnasked(const std::vector<uint8_t>& bytes) {
    impl_->Queue(Clock::now(), bytes);
    impl_->Wake();
}

DeviceModel SimulatedUnit::Model() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->model;
}

void SimulatedUnit::SetModel(const DeviceModel& model) {
    std::lock_guard lock(impl_->mutex);
    impl_->model = model;
}

std::vector<LoggedRequest> SimulatedUnit::Log() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->log;
}

std::vector<uint8_t> SimulatedUnit::LoggedCommands() const {
    std::lock_guard lock(impl_->mutex);
    std::vector<uint8_t> commands;
    for (const auto& request : impl_->log) {
        commands.push_back(request.command);
    }
    return commands;
}

void SimulatedUnit::ClearLog() {
    std::lock_guard lock(impl_->mutex);
    impl_->log.clear();
}

int SimulatedUnit::CommitCount() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->commits;
}

}  // namespace kavrel::sim
