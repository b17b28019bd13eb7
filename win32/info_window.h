#pragma once

#include <windows.h>

#include <map>

#include "config/form.h"
#include "win32/dpi.h"

namespace kavrel {

// "OK" of wndInfo; Enter and Escape (IDOK, IDCANCEL) do not close it.
inline constexpr int kInfoOkId = 10;

// Creates wndInfo's controls in the order of its table: the four captions, the four value
// texts reading "000", then "OK". Returns the value texts by the control each one is.
std::map<Control, HWND> CreateInfoControls(HWND window, ScaledLayout& layout, HFONT font);

}  // namespace kavrel
