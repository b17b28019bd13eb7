// Zorvik: lists the machine's serial ports into listport.txt, one line per port,
// "DESCRIPTION (PORT)", for the configurator that starts it: beside itself when it may write
// there, else in this user's private folder (ListFolder). The pseudo-terminals of running
// simulators come first, as CH340 cables; the hardware ports from sysfs follow, so that a
// real cable wins, since the configurator takes the last cable it finds.
//
// Environment (for tests; the configurator sets none of it):
//   KAVREL_SYSFS_ROOT      sysfs to read instead of /sys
//   KAVREL_DEV_DIR         device folder of the port paths instead of /dev
//   KAVREL_CABLE_REGISTRY  where simulators register their cables

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "link/list_folder.h"
#include "link/port_list_contract.h"
#include "link/program_folder.h"
#include "tools/virtual-cable/cable_registry.h"
#include "tools/zorvik/port_list.h"
#include "tools/zorvik/serial_ports.h"

namespace {

std::string Setting(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value && *value ? value : fallback;
}

}  // namespace

int main() {
    using namespace kavrel;
    std::vector<zorvik::SerialPort> ports;
    for (const cable::VirtualCable& virtualCable : cable::LiveCables()) {
        ports.push_back({std::string(port_list::kCh340Cable), virtualCable.ptyPath});
    }
    for (zorvik::SerialPort& port : zorvik::HardwarePorts(Setting("KAVREL_SYSFS_ROOT", "/sys"),
                                                          Setting("KAVREL_DEV_DIR", "/dev"))) {
        ports.push_back(std::move(port));
    }
    const auto folder = ListFolder(ProgramFolder());
    return folder && zorvik::WritePortList(*folder, zorvik::FormatPortList(ports)) ? 0 : 1;
}
