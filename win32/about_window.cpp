#include "win32/about_window.h"

#include <richedit.h>

#include <string>

#include "config/secondary_window_layout.h"
#include "config/window_texts.h"
#include "link/utf16_win32.h"

namespace kavrel {

HWND CreateAboutControls(HWND window, ScaledLayout& layout, HFONT font, const Pictures& pictures) {
    LoadLibraryW(L"Msftedit.dll");  // the rich-text box
    HWND banner =
        AddScaledControl(window, layout, font, L"STATIC", "", SS_BITMAP, about_window::kBanner);
    ShowBitmap(banner, pictures.aboutBanner, pictures);
    HWND text = AddScaledControl(window, layout, font, MSFTEDIT_CLASS, "",
                                 WS_HSCROLL | WS_VSCROLL | ES_MULTILINE | ES_READONLY |
                                     ES_AUTOHSCROLL | ES_AUTOVSCROLL | ES_DISABLENOSCROLL,
                                 about_window::kText, 0, WS_EX_CLIENTEDGE);
    SendMessageW(text, EM_SETBKGNDCOLOR, 0, RGB(0, 0, 0));
    CHARFORMAT2W yellow{};
    yellow.cbSize = sizeof(yellow);
    yellow.dwMask = CFM_COLOR;
    yellow.crTextColor = RGB(255, 255, 0);
    SendMessageW(text, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&yellow));
    for (const std::string& line : texts::AboutLines()) {
        const LRESULT end = SendMessageW(text, WM_GETTEXTLENGTH, 0, 0);
        SendMessageW(text, EM_SETSEL, static_cast<WPARAM>(end), end);
        const std::wstring added = Utf16((end == 0 ? "" : "\r\n") + line);
        SendMessageW(text, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(added.c_str()));
    }
    AddScaledControl(window, layout, font, L"BUTTON", about_window::kOkCaption,
                     BS_PUSHBUTTON | WS_TABSTOP, about_window::kOk, kAboutOkId);
    return banner;
}

}  // namespace kavrel
