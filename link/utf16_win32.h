#pragma once

#include <string>
#include <string_view>

namespace kavrel {

// Our texts and paths are UTF-8; Windows takes and gives UTF-16 at its wide calls.
std::wstring Utf16(std::string_view utf8);
std::string Utf8(std::wstring_view utf16);

}  // namespace kavrel
