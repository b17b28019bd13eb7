#pragma once

#include <atomic>

#include "link/device_port.h"

namespace kavrel {

// One open device. Closing the port marks it closed and wakes its waiters at once; the
// device itself is released when the last caller that holds the handle lets go. Each
// platform derives its handle from this one and releases the device in its destructor.
class DevicePort::Handle {
  public:
    virtual ~Handle() = default;
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    bool IsClosed() const { return closed_.load(std::memory_order_acquire); }
    bool HasHungUp() const { return hungUp_.load(std::memory_order_acquire); }
    void MarkHungUp() { hungUp_.store(true, std::memory_order_release); }
    void MarkClosed() {
        closed_.store(true, std::memory_order_release);
        WakeWaiters();
    }

  protected:
    Handle() = default;

  private:
    // Ends every wait on this device at once.
    virtual void WakeWaiters() = 0;

    std::atomic<bool> closed_ = false;
    std::atomic<bool> hungUp_ = false;
};

}  // namespace kavrel
