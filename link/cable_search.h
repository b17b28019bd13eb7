#pragma once

#include <string>

namespace kavrel {

class Screen;

// Runs folder + "Zorvik", reads the port list it wrote (listport.txt in ListFolder(folder))
// and takes the port of a known cable; "" when there is none. Reports a launch failure
// itself.
std::string FindCablePort(Screen& screen, const std::string& folder);

}  // namespace kavrel
