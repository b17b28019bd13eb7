#pragma once

#include <string>
#include <string_view>

namespace kavrel {

class Screen;

// The list the port lister leaves (its program file is kListerFileName).
inline constexpr std::string_view kListName = "listport.txt";

// Runs folder + "Zorvik", reads the port list it wrote (listport.txt in ListFolder(folder))
// and takes the port of a known cable; "" when there is none. Reports a launch failure
// itself.
std::string FindCablePort(Screen& screen, const std::string& folder);

}  // namespace kavrel
