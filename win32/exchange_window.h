#pragma once

#include <windows.h>

#include "win32/dpi.h"
#include "win32/pictures.h"

namespace kavrel {

// "Отмена" of the exchange window.
inline constexpr int kExchangeCancelId = 11;

// Creates the exchange window's controls: the busy animation showing frame 0, and
// "Отмена". Returns the animation's picture control.
HWND CreateExchangeControls(HWND window, ScaledLayout& layout, HFONT font,
                            const Pictures& pictures);

}  // namespace kavrel
