#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kavrel {

class Screen;

// The list the port lister leaves (its program file is kListerFileName).
inline constexpr std::string_view kListName = "listport.txt";

// Runs folder + "Zorvik" and reads the port list it wrote (listport.txt in
// ListFolder(folder)); "" when there is none to read, nothing when the lister could not be
// started (reported here).
std::optional<std::string> ListPorts(Screen& screen, const std::string& folder);

// The port of a known cable in that list; "" when there is none.
std::string FindCablePort(Screen& screen, const std::string& folder);

}  // namespace kavrel
