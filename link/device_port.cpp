#include "link/device_port.h"

#include <utility>

#include "link/device_port_handle.h"

namespace kavrel {

DevicePort::DevicePort() = default;

DevicePort::~DevicePort() {
    CloseDevicePort();
}

void DevicePort::Replace(std::shared_ptr<Handle> opened) {
    std::shared_ptr<Handle> previous;
    {
        std::lock_guard lock(mutex_);
        previous = std::exchange(handle_, std::move(opened));
    }
    if (previous) {
        previous->MarkClosed();
    }
}

bool DevicePort::IsDevicePortOpen() const {
    return Current() != nullptr;
}

bool DevicePort::HasHungUp() const {
    const auto handle = Current();
    return handle && handle->HasHungUp();
}

void DevicePort::CloseDevicePort() {
    Replace(nullptr);
}

std::shared_ptr<DevicePort::Handle> DevicePort::Current() const {
    std::lock_guard lock(mutex_);
    if (handle_ && !handle_->IsClosed()) {
        return handle_;
    }
    return nullptr;
}

}  // namespace kavrel
