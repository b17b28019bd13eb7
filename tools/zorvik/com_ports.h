#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tools/zorvik/serial_ports.h"

namespace kavrel::zorvik {

// How Windows lists a COM port: the hardware ID of its device ("USB\VID_1A86&PID_7523...")
// and the name Device Manager shows ("USB-SERIAL CH340 (COM3)"). The two cables the
// configurator accepts are known by their USB vendor (1A86, 067B), whatever their driver
// calls them; any other port keeps its name, without the "(COMn)" Windows adds to it.
std::string DescribeComPort(std::string_view hardwareId, std::string_view friendlyName);

// The machine's COM ports as the Windows device list shows them (SetupAPI, class Ports),
// present ones only, in the order of their numbers; each port is its COMn name.
std::vector<SerialPort> ComPorts();

}  // namespace kavrel::zorvik
