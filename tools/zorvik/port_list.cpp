#include "tools/zorvik/port_list.h"

#include <algorithm>
#include <cctype>

namespace kavrel::zorvik {

bool IsTemporaryList(std::string_view name) {
    const std::string prefix = std::string(port_list::kFileName) + ".";
    return name.size() == prefix.size() + kTemporarySuffixLength && name.starts_with(prefix) &&
           std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix.size()), name.end(),
                       [](unsigned char c) { return std::isalnum(c); });
}

std::string FormatPortList(const std::vector<SerialPort>& ports) {
    std::string list;
    for (const SerialPort& port : ports) {
        list += port_list::Line(port.description, port.path) + "\n";
    }
    return list;
}

}  // namespace kavrel::zorvik
