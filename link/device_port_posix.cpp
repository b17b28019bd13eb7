#include "link/device_port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <optional>
#include <string>
#include <utility>

#include "link/device_port_handle.h"
#include "link/poll_duration.h"

namespace kavrel {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr size_t kMaxNameLength = 59;
constexpr auto kWritePerByte = 100ms;
constexpr auto kWritePerRequest = 10ms;
// Without a stop event (no descriptor left for one) a wait still looks at the stop request
// this often.
constexpr auto kStopCheckSlice = 10ms;

// An eventfd that becomes readable when stop is requested, so one poll waits for both.
class StopEvent {
  public:
    explicit StopEvent(const std::stop_token& stop) {
        if (stop.stop_possible()) {
            fd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
            if (fd_ >= 0) {
                callback_.emplace(stop, Signal{fd_});
            }
        }
    }
    ~StopEvent() {
        callback_.reset();
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    StopEvent(const StopEvent&) = delete;
    StopEvent& operator=(const StopEvent&) = delete;

    int fd() const { return fd_; }  // -1 when there is none; poll skips it

  private:
    struct Signal {
        int fd;
        void operator()() const { eventfd_write(fd, 1); }
    };
    int fd_ = -1;
    std::optional<std::stop_callback<Signal>> callback_;
};

// 19200 baud, 8N1, no handshake, raw: no byte is changed, added, swallowed or echoed.
bool IsOurLine(const termios& line) {
    constexpr tcflag_t kCookedInput =
        IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON;
    constexpr tcflag_t kCookedLocal = ECHO | ECHONL | ICANON | ISIG | IEXTEN;
    constexpr tcflag_t kFraming = CSIZE | PARENB | CSTOPB | CRTSCTS | CLOCAL | CREAD;
    return cfgetispeed(&line) == B19200 && cfgetospeed(&line) == B19200 &&
           (line.c_cflag & kFraming) == (CS8 | CLOCAL | CREAD) &&
           (line.c_iflag & kCookedInput) == 0 && (line.c_oflag & OPOST) == 0 &&
           (line.c_lflag & kCookedLocal) == 0;
}

bool ConfigureLine(int fd) {
    termios line{};
    if (tcgetattr(fd, &line) != 0) {
        return false;
    }
    cfmakeraw(&line);
    line.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    line.c_cflag |= CS8 | CLOCAL | CREAD;
    line.c_cc[VMIN] = 0;
    line.c_cc[VTIME] = 0;
    if (cfsetispeed(&line, B19200) != 0 || cfsetospeed(&line, B19200) != 0) {
        return false;
    }
    // tcsetattr succeeds when any one change took, so the line is read back and checked.
    termios applied{};
    if (tcsetattr(fd, TCSANOW, &line) != 0 || tcgetattr(fd, &applied) != 0 || !IsOurLine(applied)) {
        return false;
    }
    int rts = TIOCM_RTS;
    ioctl(fd, TIOCMBIC, &rts);  // a pseudo-terminal refuses this; there is no RTS to clear
    return true;
}

// An open terminal, with an eventfd that wakes its waiters when the port closes.
class TerminalHandle final : public DevicePort::Handle {
  public:
    TerminalHandle(int fd, int closeEvent) : fd_(fd), closeEvent_(closeEvent) {}
    ~TerminalHandle() override {
        // Our exclusive mode would outlive us on a terminal that someone else keeps open.
        ioctl(fd_, TIOCNXCL);
        close(fd_);  // releases the flock as well
        close(closeEvent_);
    }

    int fd() const { return fd_; }
    int closeEvent() const { return closeEvent_; }

  private:
    void WakeWaiters() override { eventfd_write(closeEvent_, 1); }

    const int fd_;
    const int closeEvent_;
};

// The open terminal of the port, or null when it is closed.
std::shared_ptr<TerminalHandle> Terminal(std::shared_ptr<DevicePort::Handle> handle) {
    return std::static_pointer_cast<TerminalHandle>(std::move(handle));
}

}  // namespace

std::string DevicePort::PathOf(std::string_view name) {
    std::string path(name.substr(0, kMaxNameLength));
    return path.empty() || path.front() == '/' ? path : "/dev/" + path;
}

bool DevicePort::OpenDevicePort(std::string_view name) {
    openError_ = ENOENT;
    if (name.empty()) {
        return false;
    }
    const std::string path = PathOf(name);
    // The name comes from a text file: refuse anything but a character device before
    // opening it, so that a FIFO or a file is never opened, read or written.
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISCHR(info.st_mode)) {
        openError_ = errno == ENOENT ? ENOENT : ENOTTY;
        return false;
    }
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        openError_ = errno;
        return false;
    }
    errno = 0;  // our own controlling terminal leaves no cause
    // Our own controlling terminal ("tty", or the terminal we were started from) is the
    // operator's, never a cable: it is refused before its line is touched.
    // TIOCEXCL does not hold for root, so the flock is what keeps a second opener out; it
    // comes before the line settings, so a refused opener never disturbs the holder's line.
    const bool terminal =
        fstat(fd, &info) == 0 && S_ISCHR(info.st_mode) && isatty(fd) == 1 && tcgetsid(fd) < 0;
    const bool foreign = terminal && othersHoldIt_ && othersHoldIt_(path);
    if (foreign) {
        errno = EBUSY;
    }
    const bool usable = terminal && !foreign && flock(fd, LOCK_EX | LOCK_NB) == 0 &&
                        ConfigureLine(fd) && ioctl(fd, TIOCEXCL) == 0;
    openError_ = errno;
    const int closeEvent = usable ? eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK) : -1;
    if (closeEvent < 0) {
        if (usable) {
            ioctl(fd, TIOCNXCL);
        }
        close(fd);
        return false;
    }
    Replace(std::make_shared<TerminalHandle>(fd, closeEvent));
    return true;
}

int32_t DevicePort::WriteBytes(const uint8_t* bytes, int32_t count) {
    const auto handle = Terminal(Current());
    if (!handle || bytes == nullptr || count <= 0) {
        return 0;
    }
    const auto deadline = Clock::now() + kWritePerByte * count + kWritePerRequest;
    int32_t written = 0;
    while (written < count && !handle->IsClosed()) {
        const ssize_t n =
            write(handle->fd(), bytes + written, static_cast<size_t>(count - written));
        if (n > 0) {
            written += static_cast<int32_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && errno != EAGAIN) {
            break;
        }
        const auto remaining = deadline - Clock::now();
        if (remaining <= Clock::duration::zero()) {
            break;
        }
        pollfd fds[] = {{handle->fd(), POLLOUT, 0}, {handle->closeEvent(), POLLIN, 0}};
        const timespec wait = ToTimespec(remaining);
        if (ppoll(fds, 2, &wait, nullptr) < 0 && errno != EINTR) {
            break;
        }
        if ((fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
            break;
        }
    }
    return written;
}

int32_t DevicePort::AvailableBytes() {
    const auto handle = Terminal(Current());
    int waiting = 0;
    if (!handle || ioctl(handle->fd(), FIONREAD, &waiting) != 0 || waiting < 0) {
        return 0;
    }
    return waiting;
}

int32_t DevicePort::ReadBytes(uint8_t* buffer, int32_t count) {
    const auto handle = Terminal(Current());
    if (!handle || buffer == nullptr || count <= 0) {
        return 0;
    }
    const ssize_t n = read(handle->fd(), buffer, static_cast<size_t>(count));
    return n > 0 ? static_cast<int32_t>(n) : 0;
}

bool DevicePort::WaitReadable(std::chrono::nanoseconds timeout, std::stop_token stop) {
    const auto deadline = Clock::now() + timeout;
    const StopEvent stopEvent(stop);
    auto handle = Terminal(Current());
    while (!stop.stop_requested()) {
        auto remaining = deadline - Clock::now();
        if (remaining <= Clock::duration::zero()) {
            return false;
        }
        if (stopEvent.fd() < 0 && stop.stop_possible()) {
            remaining = std::min<Clock::duration>(remaining, kStopCheckSlice);
        }
        pollfd fds[3] = {{stopEvent.fd(), POLLIN, 0}, {-1, POLLIN, 0}, {-1, POLLIN, 0}};
        if (handle) {
            fds[1].fd = handle->fd();
            fds[2].fd = handle->closeEvent();
        }
        const timespec wait = ToTimespec(remaining);
        if (ppoll(fds, 3, &wait, nullptr) < 0 && errno != EINTR) {
            return false;
        }
        if (fds[1].revents & (POLLERR | POLLHUP | POLLNVAL) || fds[2].revents != 0) {
            if (fds[1].revents & POLLHUP) {
                handle->MarkHungUp();
            }
            handle.reset();  // hung up or closed: only the stop request or the time ends it
        } else if (fds[1].revents & POLLIN) {
            return true;
        }
    }
    return false;
}

}  // namespace kavrel
