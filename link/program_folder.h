#pragma once

#include <string>

namespace kavrel {

// The folder of the running executable, with its trailing "/", found through links (the
// installed /usr/bin entry is a link to the real program). Any length; "" when unknown.
std::string ProgramFolder();

}  // namespace kavrel
