#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <initializer_list>
#include <optional>
#include <stop_token>
#include <string>
#include <utility>

#include "link/device_port.h"
#include "link/device_port_handle.h"
#include "link/utf16_win32.h"

namespace kavrel {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr size_t kMaxNameLength = 59;
constexpr DWORD kQueueBytes = 255;
constexpr auto kWritePerByte = 100ms;
constexpr auto kWritePerRequest = 10ms;
// Without a stop event a wait still looks at the stop request this often.
constexpr auto kStopCheckSlice = 10ms;
// Without a byte watch a wait looks at the input queue this often.
constexpr auto kWatchlessSlice = 1ms;
// A read takes only what waits and ends at once; one that the driver leaves pending (wine
// does, rarely, under load) is cancelled after this long, with what it got.
constexpr auto kReadWait = 100ms;
// A cancelled operation that has not ended after this long is cancelled again.
constexpr DWORD kCancelAgainMs = 50;

DWORD CeilMilliseconds(std::chrono::nanoseconds duration) {
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(duration).count();
    return static_cast<DWORD>(std::clamp<int64_t>(ms, 0, INFINITE - 1));
}

// A manual-reset event, as overlapped input and output need; null when none could be made.
class Event {
  public:
    Event() : handle_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~Event() {
        if (handle_) {
            CloseHandle(handle_);
        }
    }
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    HANDLE get() const { return handle_; }

  private:
    const HANDLE handle_;
};

// An event that is set when stop is requested, so one wait covers both; null when stop
// cannot be requested or no event could be made.
class StopEvent {
  public:
    explicit StopEvent(const std::stop_token& stop)
        : active_(stop.stop_possible() && event_.get()), callback_(stop, Signal{event_.get()}) {}

    HANDLE get() const { return active_ ? event_.get() : nullptr; }

  private:
    struct Signal {
        HANDLE event;
        void operator()() const {
            if (event) {
                SetEvent(event);
            }
        }
    };
    const Event event_;
    const bool active_;
    std::stop_callback<Signal> callback_;  // ends before the event goes
};

// Waits until one of the events (null ones left out) is set or the time passes.
void WaitForAny(std::initializer_list<HANDLE> events, DWORD milliseconds) {
    HANDLE set[3] = {};
    DWORD count = 0;
    for (HANDLE event : events) {
        if (event && count < std::size(set)) {
            set[count++] = event;
        }
    }
    if (count == 0) {
        Sleep(milliseconds);
    } else {
        WaitForMultipleObjects(count, set, FALSE, milliseconds);
    }
}

// An open serial port, opened for overlapped input and output so that no wait on the
// device outlasts the port's close. While one is open the system timer ticks every
// millisecond: a waiting thread wakes on a tick (15.6 ms apart by default), and the end of
// a response is a silence of 3 ms.
class SerialHandle final : public DevicePort::Handle {
  public:
    explicit SerialHandle(HANDLE port) : port_(port) { timeBeginPeriod(1); }
    ~SerialHandle() override {
        CloseHandle(port_);
        timeEndPeriod(1);
    }

    HANDLE port() const { return port_; }
    HANDLE closeEvent() const { return closeEvent_.get(); }

  private:
    void WakeWaiters() override { SetEvent(closeEvent_.get()); }

    const HANDLE port_;
    const Event closeEvent_;
};

std::shared_ptr<SerialHandle> Serial(std::shared_ptr<DevicePort::Handle> handle) {
    return std::static_pointer_cast<SerialHandle>(std::move(handle));
}

// The errno value the diagnosis and the tests know a failed open by.
int ErrnoOf(DWORD error) {
    switch (error) {
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
            return EBUSY;  // Windows' answer for a port another opener holds
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return ENOENT;
        default:
            return EIO;
    }
}

// 19200 baud, 8N1, no CTS flow control, RTS off; every other option stays as the driver
// reports it. Reads return at once with what is waiting; a write may take 100 ms a byte
// plus 10 ms. The queue sizes and the time-outs are recommendations whose refusal is
// ignored; the byte watch is what WaitReadable needs.
bool ConfigureLine(HANDLE port) {
    SetupComm(port, kQueueBytes, kQueueBytes);
    DCB line{};
    line.DCBlength = sizeof line;
    if (!GetCommState(port, &line)) {
        return false;  // no serial port
    }
    line.BaudRate = CBR_19200;
    line.ByteSize = 8;
    line.Parity = NOPARITY;
    line.StopBits = ONESTOPBIT;
    line.fOutxCtsFlow = FALSE;
    line.fRtsControl = RTS_CONTROL_DISABLE;
    if (!SetCommState(port, &line)) {
        return false;
    }
    COMMTIMEOUTS timeouts{MAXDWORD, 0, 0, static_cast<DWORD>(kWritePerByte.count()),
                          static_cast<DWORD>(kWritePerRequest.count())};
    SetCommTimeouts(port, &timeouts);
    return SetCommMask(port, EV_RXCHAR) != 0;
}

// The errors with which the drivers end reads, writes and queries once the adapter is
// unplugged under the open port (the CH340 and Prolific drivers, usbser). An aborted
// operation is not among them: wine ends a byte watch that way on its own.
bool IsDeviceGone(DWORD error) {
    switch (error) {
        case ERROR_BAD_COMMAND:
        case ERROR_DEVICE_REMOVED:
        case ERROR_DEVICE_NOT_CONNECTED:
        case ERROR_GEN_FAILURE:
        case ERROR_ACCESS_DENIED:
            return true;
        default:
            return false;
    }
}

// Waits for an overlapped operation that was started on the port: until it ends, the port
// is closed, stop is requested or the time passes, after which it is cancelled. It has
// always completed on return. The count it transferred (so far); `error` gets the error it
// failed with, if any.
DWORD Finish(const SerialHandle& handle, OVERLAPPED& io, DWORD milliseconds, HANDLE stop = nullptr,
             DWORD* error = nullptr) {
    const HANDLE events[] = {io.hEvent, handle.closeEvent(), stop};
    if (WaitForMultipleObjects(stop ? 3 : 2, events, FALSE, milliseconds) != WAIT_OBJECT_0) {
        // Under load wine now and then leaves a cancel untaken (seen on byte watches): it is
        // repeated until the operation has ended.
        do {
            CancelIoEx(handle.port(), &io);
        } while (WaitForSingleObject(io.hEvent, kCancelAgainMs) == WAIT_TIMEOUT);
    }
    DWORD count = 0;
    if (!GetOverlappedResult(handle.port(), &io, &count, TRUE) && error) {
        *error = GetLastError();
    }
    return count;
}

// Starts one overlapped read or write (`start` returns what ReadFile or WriteFile did) and
// waits for it as Finish does; the count it transferred, 0 when it could not start. One
// that fails because the adapter went away marks the port hung up, as a hang-up does on
// Linux.
template <class Start>
int32_t Transfer(SerialHandle& handle, Start start, DWORD milliseconds) {
    const Event done;
    if (!done.get()) {
        return 0;
    }
    OVERLAPPED io{};
    io.hEvent = done.get();
    DWORD error = ERROR_SUCCESS;
    DWORD count = 0;
    if (start(io) || (error = GetLastError()) == ERROR_IO_PENDING) {
        error = ERROR_SUCCESS;
        count = Finish(handle, io, milliseconds, nullptr, &error);
    }
    if (IsDeviceGone(error)) {
        handle.MarkHungUp();
    }
    return static_cast<int32_t>(count);
}

// Bytes waiting in the input queue; the query also clears the line's error state, so
// reception goes on after a framing or overrun error. Nothing when the query fails.
std::optional<DWORD> InputCount(const SerialHandle& handle) {
    DWORD errors = 0;
    COMSTAT status{};
    if (!ClearCommError(handle.port(), &errors, &status)) {
        return std::nullopt;
    }
    return status.cbInQue;
}

}  // namespace

std::string DevicePort::PathOf(std::string_view name) {
    return name.empty() ? std::string() : "\\\\.\\" + std::string(name.substr(0, kMaxNameLength));
}

bool DevicePort::OpenDevicePort(std::string_view name) {
    openError_ = ENOENT;
    if (name.empty()) {
        return false;
    }
    // No sharing: while we hold the port, every other opener is refused, and we are refused
    // while another holds it.
    const HANDLE port = CreateFileW(Utf16(PathOf(name)).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (port == INVALID_HANDLE_VALUE) {
        openError_ = ErrnoOf(GetLastError());
        return false;
    }
    auto opened = std::make_shared<SerialHandle>(port);  // releases the port on failure
    if (!opened->closeEvent() || !ConfigureLine(port)) {
        openError_ = ENOTTY;
        return false;
    }
    openError_ = 0;
    Replace(std::move(opened));
    return true;
}

int32_t DevicePort::WriteBytes(const uint8_t* bytes, int32_t count) {
    const auto handle = Serial(Current());
    if (!handle || bytes == nullptr || count <= 0) {
        return 0;
    }
    // The driver's write time-out ends it; ours too, where the driver ignored the setting.
    return Transfer(
        *handle,
        [&](OVERLAPPED& io) {
            return WriteFile(handle->port(), bytes, static_cast<DWORD>(count), nullptr, &io);
        },
        CeilMilliseconds(kWritePerByte * count + kWritePerRequest));
}

int32_t DevicePort::AvailableBytes() {
    const auto handle = Serial(Current());
    if (!handle) {
        return 0;
    }
    const auto waiting = InputCount(*handle);
    if (!waiting) {
        handle->MarkHungUp();  // the device went away under the open port
    }
    return static_cast<int32_t>(waiting.value_or(0));
}

int32_t DevicePort::ReadBytes(uint8_t* buffer, int32_t count) {
    const auto handle = Serial(Current());
    if (!handle || buffer == nullptr || count <= 0) {
        return 0;
    }
    return Transfer(
        *handle,
        [&](OVERLAPPED& io) {
            return ReadFile(handle->port(), buffer, static_cast<DWORD>(count), nullptr, &io);
        },
        CeilMilliseconds(kReadWait));
}

bool DevicePort::WaitReadable(std::chrono::nanoseconds timeout, std::stop_token stop) {
    const auto deadline = Clock::now() + timeout;
    const StopEvent stopEvent(stop);
    const Event watched;
    auto handle = Serial(Current());
    while (!stop.stop_requested()) {
        const auto remaining = deadline - Clock::now();
        if (remaining <= Clock::duration::zero()) {
            return false;
        }
        DWORD wait = CeilMilliseconds(remaining);
        if (!stopEvent.get() && stop.stop_possible()) {
            wait = std::min(wait, CeilMilliseconds(kStopCheckSlice));
        }
        if (!handle || handle->IsClosed()) {
            handle.reset();  // closed or gone: only the stop request or the time ends it
            WaitForAny({stopEvent.get()}, wait);
            continue;
        }
        OVERLAPPED io{};
        io.hEvent = watched.get();
        DWORD events = 0;
        const bool watching = watched.get() && (WaitCommEvent(handle->port(), &events, &io) ||
                                                GetLastError() == ERROR_IO_PENDING);
        // The queue is looked at once the watch runs, so a byte that came just before it is
        // not missed. A watch may also end without a byte (wine ends it every few ms).
        const auto waiting = InputCount(*handle);
        if (watching) {
            Finish(*handle, io, waiting.value_or(1) > 0 ? 0 : wait, stopEvent.get());
        } else if (waiting == 0u) {
            // Without a watch (another waiter holds the port's one) the queue is looked at often.
            WaitForAny({handle->closeEvent(), stopEvent.get()},
                       std::min(wait, CeilMilliseconds(kWatchlessSlice)));
        }
        if (!waiting) {
            handle->MarkHungUp();  // the device went away under the open port
            handle.reset();
        } else if (*waiting > 0) {
            return true;
        }
    }
    return false;
}

}  // namespace kavrel
