#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>
#include <string_view>
#include <utility>

namespace kavrel {

// The one serial port the configurator talks through: 19200 baud, 8N1, no handshake,
// RTS off, opened exclusively. Shows nothing; every outcome is a result, 0 on failure.
// Each platform implements the device side in its own file (device_port_posix.cpp,
// device_port_win32.cpp).
//
// Workers may use the port while the user-interface thread closes it. Each call takes a
// shared reference to the open device, so a device is released only when its last user
// is done and no byte ever reaches a descriptor or handle that was reused.
class DevicePort {
  public:
    DevicePort();
    ~DevicePort();
    DevicePort(const DevicePort&) = delete;
    DevicePort& operator=(const DevicePort&) = delete;

    // The name is cut to 59 characters. On Windows it is opened as "\\.\" + name; elsewhere
    // a name beginning with "/" is a path and any other name lives under /dev/. Refuses
    // anything that is not a serial line. A failed open changes nothing; a successful one
    // releases the previously open device afterwards.
    bool OpenDevicePort(std::string_view name);
    // Whether another program has the terminal at `path` open. Such a port is refused
    // (EBUSY) before its line is touched: a program that holds it without any lock would
    // otherwise share the line with us, each taking the other's bytes. Windows needs no
    // such check: its serial ports are opened without sharing.
    using ForeignHolderCheck = std::function<bool(const std::string& path)>;
    void SetForeignHolderCheck(ForeignHolderCheck check) { othersHoldIt_ = std::move(check); }
    // Why the latest open failed, as an errno value (EWOULDBLOCK when another opener holds
    // the port, ENOTTY for what is no terminal, 0 when no cause is known).
    int OpenError() const { return openError_; }
    // The path a port name stands for.
    static std::string PathOf(std::string_view name);
    bool IsDevicePortOpen() const;
    // Whether the open port's line hung up under it (the cable came out).
    bool HasHungUp() const;
    void CloseDevicePort();

    // Waits at most 100 ms x count + 10 ms; returns the count written by then.
    int32_t WriteBytes(const uint8_t* bytes, int32_t count);
    // Bytes waiting in the input queue; 0 when closed, hung up or the query fails.
    int32_t AvailableBytes();
    // Reads what is waiting, up to count; callers ask only for bytes reported waiting.
    int32_t ReadBytes(uint8_t* buffer, int32_t count);

    // Sleeps until input is waiting, the time-out passes, stop is requested or the port
    // is closed; true when input is waiting. A closed or hung-up port waits out the
    // time-out (or the stop request) so that no caller can spin on it.
    bool WaitReadable(std::chrono::nanoseconds timeout, std::stop_token stop);

    class Handle;  // one open device, defined per platform (device_port_handle.h)

  private:
    std::shared_ptr<Handle> Current() const;
    // Makes `opened` the device port and releases the device it held before.
    void Replace(std::shared_ptr<Handle> opened);

    mutable std::mutex mutex_;  // guards handle_ only, never held during input or output
    std::shared_ptr<Handle> handle_;
    int openError_ = 0;
    ForeignHolderCheck othersHoldIt_;
};

}  // namespace kavrel
