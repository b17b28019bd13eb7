#include "link/port_name.h"

#include "link/link_texts.h"

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
        for (std::string_view description : texts::kCableDescriptions) {
            namesCable = namesCable || line.find(description) != std::string_view::npos;
        }
        if (!namesCable) {
            continue;
        }
        const size_t open = line.find('(');
        const size_t close = line.find(')');
        if (open != std::string_view::npos && close != std::string_view::npos && close > open) {
            result = line.substr(open + 1, close - open - 1);
        }
    }
    return result;
}

}  // namespace kavrel
