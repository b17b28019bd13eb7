#pragma once

#include <windows.h>

#include "win32/dpi.h"
#include "win32/pictures.h"

namespace kavrel {

// "Ок" of wndAbout.
inline constexpr int kAboutOkId = 10;

// Creates wndAbout's controls: the banner, the text box with the About lines in yellow on
// black, "Ок". Returns the banner's picture control.
HWND CreateAboutControls(HWND window, ScaledLayout& layout, HFONT font, const Pictures& pictures);

// Whether a command of wndAbout closes it: "Ок", and Enter and Escape, which the dialog
// manager sends as IDOK and IDCANCEL, as the Qt window closes on them.
inline bool ClosesAboutWindow(int id) {
    return id == kAboutOkId || id == IDOK || id == IDCANCEL;
}

}  // namespace kavrel
