#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "link/port_list_contract.h"
#include "tools/zorvik/serial_ports.h"

namespace kavrel::zorvik {

// One line per port, each ending in a line feed; "" for no ports.
std::string FormatPortList(const std::vector<SerialPort>& ports);

// Whether `name` is the temporary name of a list being written, listport.txt.XXXXXX.
inline constexpr size_t kTemporarySuffixLength = 6;  // as mkstemp makes them
bool IsTemporaryList(std::string_view name);

// Replaces folder/listport.txt with `contents` at once: a reader sees the old list or the
// new one, never a part. False when it could not be written.
bool WritePortList(const std::string& folder, const std::string& contents);

}  // namespace kavrel::zorvik
