#pragma once

#include <string>
#include <vector>

#include "tools/zorvik/serial_ports.h"

namespace kavrel::zorvik {

inline constexpr const char* kPortListName = "listport.txt";

// One line per port, "DESCRIPTION (PATH)", each ending in a line feed; "" for no ports.
std::string FormatPortList(const std::vector<SerialPort>& ports);

// Replaces folder/listport.txt with `contents` at once: a reader sees the old list or the
// new one, never a part. False when it could not be written.
bool WritePortList(const std::string& folder, const std::string& contents);

}  // namespace kavrel::zorvik
