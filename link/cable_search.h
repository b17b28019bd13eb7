#pragma once

#include <string>

namespace kavrel {

class Screen;

// How looking at the port list went.
enum class Listing {
    Read,              // the list, or "" when the lister left none
    ListerNotStarted,  // reported to the operator
    NoListFolder,      // this user has no folder the list could be written to
};

struct PortListing {
    Listing result = Listing::Read;
    std::string list;
};

// Runs folder + "Zorvik" (kListerFileName) and reads the port list it wrote in
// ListFolder(folder).
PortListing ListPorts(Screen& screen, const std::string& folder);

// The port of a known cable in that list; "" when there is none.
std::string FindCablePort(Screen& screen, const std::string& folder);

// The line added to the no-cable box: why no cable was found, or "" when nothing tells.
std::string NoCableCause(Listing listing);

}  // namespace kavrel
