#pragma once

#include <string>
#include <string_view>

namespace kavrel {

// The port name of the last line of a port list that names a known cable, or "".
std::string PortNameFromList(std::string_view listBytes);

// Whether the port of this name, as the link opens it, is there now (its cable plugged in).
bool PortPresent(std::string_view name);

}  // namespace kavrel
