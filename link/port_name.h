#pragma once

#include <string>
#include <string_view>

namespace kavrel {

// The port name of the last line of a port list that names a known cable, or "".
std::string PortNameFromList(std::string_view listBytes);

}  // namespace kavrel
