#include "win32/exchange_window.h"

#include "config/secondary_window_layout.h"

namespace kavrel {

HWND CreateExchangeControls(HWND window, ScaledLayout& layout, HFONT font,
                            const Pictures& pictures) {
    HWND animation = AddScaledControl(window, layout, font, L"STATIC", "", SS_BITMAP,
                                      exchange_window::kAnimation);
    ShowBitmap(animation, pictures.animationFrames[0], pictures);
    AddScaledControl(window, layout, font, L"BUTTON", exchange_window::kCancelCaption,
                     BS_PUSHBUTTON | WS_TABSTOP, exchange_window::kCancel, kExchangeCancelId);
    return animation;
}

}  // namespace kavrel
