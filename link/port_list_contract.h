#pragma once

// What the port lister writes and the link reads: a file of this name in the list folder,
// one port a line in the form Windows shows a port in, "DESCRIPTION (PORT)". Both sides
// include this header and nothing else of each other.

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace kavrel::port_list {

inline constexpr std::string_view kFileName = "listport.txt";

// How the list describes the two cables the configurator accepts; the link takes a line
// as a cable's when it holds one of them.
inline constexpr std::string_view kCh340Cable = "USB-SERIAL CH340";
inline constexpr std::string_view kProlificCable = "PROLIFIC USB-TO-SERIAL COMM PORT";
inline constexpr std::array<std::string_view, 2> kCableDescriptions = {kProlificCable, kCh340Cable};

// One line of the list, without its line end.
inline std::string Line(std::string_view description, std::string_view port) {
    return std::string(description) + " (" + std::string(port) + ")";
}

// The port of one line: what stands between its first "(" and its first ")", or nothing
// when there are no such brackets in that order.
inline std::optional<std::string_view> PortOfLine(std::string_view line) {
    const size_t open = line.find('(');
    const size_t close = line.find(')');
    if (open == std::string_view::npos || close == std::string_view::npos || close <= open) {
        return std::nullopt;
    }
    return line.substr(open + 1, close - open - 1);
}

}  // namespace kavrel::port_list
