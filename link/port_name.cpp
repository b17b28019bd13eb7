#include "link/port_name.h"

#include "link/port_list_contract.h"

namespace kavrel {

std::string PortNameFromList(std::string_view listBytes) {
    std::string result;
    size_t position = 0;
    while (position < listBytes.size()) {
        const size_t end = listBytes.find_first_of(std::string_view("\r\n\0", 3), position);
        const std::string_view line = listBytes.substr(
            position, end == std::string_view::npos ? std::string_view::npos : end - position);
        if (end == std::string_view::npos) {
            position = listBytes.size();
        } else {
            const bool crlf =
                listBytes[end] == '\r' && end + 1 < listBytes.size() && listBytes[end + 1] == '\n';
            position = end + (crlf ? 2 : 1);
        }

        bool namesCable = false;
        for (std::string_view description : port_list::kCableDescriptions) {
            namesCable = namesCable || line.find(description) != std::string_view::npos;
        }
        if (const auto port = port_list::PortOfLine(line); namesCable && port) {
            result = *port;
        }
    }
    return result;
}

}  // namespace kavrel
