#pragma once

#include "link/device_port.h"

namespace kavrel::testing {

// Whether nobody holds the port: it opens (exclusively) for us, and is let go again.
inline bool IsPortFree(const std::string& path) {
    return DevicePort().OpenDevicePort(path);
}

}  // namespace kavrel::testing
