// Zorvik: lists the machine's serial ports into listport.txt, one line per port,
// "DESCRIPTION (PORT)", for the configurator that starts it: beside itself when it may write
// there, else in this user's private folder (ListFolder). Hardware ports come from
// sysfs; the pseudo-terminals of running simulators are listed as CH340 cables.
//
// Environment (for tests; the configurator sets none of it):
//   KAVREL_SYSFS_ROOT      sysfs to read instead of /sys
//   KAVREL_DEV_DIR         device folder of the port paths instead of /dev
//   KAVREL_CABLE_REGISTRY  where simulators register their cables

#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "link/list_folder.h"
#include "tools/virtual-cable/cable_registry.h"
#include "tools/zorvik/port_list.h"
#include "tools/zorvik/serial_ports.h"

namespace {

std::string Setting(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value && *value ? value : fallback;
}

// The folder of this executable, without a trailing "/".
std::string OwnFolder() {
    std::string path(4096, '\0');
    for (;;) {
        const ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
        if (length < 0) {
            return ".";
        }
        if (static_cast<size_t>(length) < path.size()) {
            path.resize(static_cast<size_t>(length));
            return path.substr(0, path.rfind('/'));
        }
        path.resize(path.size() * 2);
    }
}

}  // namespace

int main() {
    using namespace kavrel;
    std::vector<zorvik::SerialPort> ports = zorvik::HardwarePorts(
        Setting("KAVREL_SYSFS_ROOT", "/sys"), Setting("KAVREL_DEV_DIR", "/dev"));
    for (const cable::VirtualCable& virtualCable : cable::LiveCables()) {
        ports.push_back({zorvik::kCh340Description, virtualCable.ptyPath});
    }
    return zorvik::WritePortList(ListFolder(OwnFolder()), zorvik::FormatPortList(ports)) ? 0 : 1;
}
