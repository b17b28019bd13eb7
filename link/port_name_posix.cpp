#include <sys/stat.h>

#include "link/device_port.h"
#include "link/port_name.h"

namespace kavrel {

bool PortPresent(std::string_view name) {
    struct stat info {};
    return !name.empty() && stat(DevicePort::PathOf(name).c_str(), &info) == 0;
}

}  // namespace kavrel
