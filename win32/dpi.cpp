#include "win32/dpi.h"

#include "link/utf16_win32.h"

namespace kavrel {
namespace {

// Found at run time: Windows before 10 version 1607 has neither.
template <typename Function>
Function User32(const char* name) {
    return reinterpret_cast<Function>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

// The combo box's edges above and below its closed line, in layout pixels.
constexpr int kListBorder = 6;

}  // namespace

UINT WindowDpi(HWND window) {
    static const auto getDpiForWindow = User32<UINT(WINAPI*)(HWND)>("GetDpiForWindow");
    if (getDpiForWindow) {
        if (const UINT dpi = getDpiForWindow(window)) {
            return dpi;
        }
    }
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : kLayoutDpi;
}

SIZE OuterSize(DWORD style, DWORD extendedStyle, int width, int height, UINT dpi) {
    static const auto adjustForDpi =
        User32<BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT)>("AdjustWindowRectExForDpi");
    RECT area{0, 0, Scaled(width, dpi), Scaled(height, dpi)};
    if (!adjustForDpi || !adjustForDpi(&area, style, FALSE, extendedStyle, dpi)) {
        AdjustWindowRectEx(&area, style, FALSE, extendedStyle);
    }
    return {area.right - area.left, area.bottom - area.top};
}

HFONT CreateDialogFont(UINT dpi) {
    LOGFONTW font{};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(font), &font);
    // Rounded down: a font half a pixel larger than the scale would cut captions that fit.
    font.lfHeight = -static_cast<LONG>(11 * dpi / kLayoutDpi);
    font.lfWidth = 0;
    return CreateFontIndirectW(&font);
}

void ScaledLayout::Add(HWND child, Place place, int closedHeight) {
    children_.push_back({child, place, closedHeight});
}

void ScaledLayout::Apply(UINT dpi, HFONT font) const {
    for (const Child& child : children_) {
        SendMessageW(child.handle, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        SetWindowPos(child.handle, nullptr, Scaled(child.place.x, dpi), Scaled(child.place.y, dpi),
                     Scaled(child.place.width, dpi), Scaled(child.place.height, dpi),
                     SWP_NOZORDER | SWP_NOACTIVATE);
        if (child.closedHeight > 0) {
            // The closed line is as high as the layout says, whatever the font.
            SendMessageW(child.handle, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1),
                         Scaled(child.closedHeight, dpi) - Scaled(kListBorder, dpi));
        }
        InvalidateRect(child.handle, nullptr, TRUE);
    }
}

HWND AddScaledControl(HWND window, ScaledLayout& layout, HFONT font, const wchar_t* windowClass,
                      std::string_view text, DWORD style, Place place, int id,
                      DWORD extendedStyle) {
    const UINT dpi = WindowDpi(window);
    HWND control = CreateWindowExW(
        extendedStyle, windowClass, Utf16(text).c_str(), WS_CHILD | WS_VISIBLE | style,
        Scaled(place.x, dpi), Scaled(place.y, dpi), Scaled(place.width, dpi),
        Scaled(place.height, dpi), window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
        GetModuleHandleW(nullptr), nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    layout.Add(control, place);
    return control;
}

}  // namespace kavrel
