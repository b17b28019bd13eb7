#include "win32/info_window.h"

#include "config/secondary_window_layout.h"
#include "config/window_texts.h"

namespace kavrel {

std::map<Control, HWND> CreateInfoControls(HWND window, ScaledLayout& layout, HFONT font) {
    for (const texts::InfoRow& row : texts::kInfoRows) {
        AddScaledControl(window, layout, font, L"STATIC", row.caption, SS_LEFTNOWORDWRAP,
                         info_window::Caption(row.y));
    }
    std::map<Control, HWND> values;
    for (const texts::InfoRow& row : texts::kInfoRows) {
        values[row.value] = AddScaledControl(window, layout, font, L"STATIC", "000", SS_LEFT,
                                             info_window::Value(row.y));
    }
    AddScaledControl(window, layout, font, L"BUTTON", info_window::kOkCaption,
                     BS_PUSHBUTTON | WS_TABSTOP, info_window::kOk, kInfoOkId);
    return values;
}

}  // namespace kavrel
