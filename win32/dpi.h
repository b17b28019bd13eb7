#pragma once

#include <windows.h>

#include <string_view>
#include <vector>

#include "config/secondary_window_layout.h"

namespace kavrel {

// The layout's pixels are those of a 96 dpi screen; every position, size and the font are
// scaled by the dots per inch of the window they are in.
inline constexpr UINT kLayoutDpi = 96;

// The window's dots per inch: its monitor's for a per-monitor aware program on Windows 10
// version 1607 and later, else the system's.
UINT WindowDpi(HWND window);

inline int Scaled(int pixels, UINT dpi) {
    return MulDiv(pixels, static_cast<int>(dpi), static_cast<int>(kLayoutDpi));
}

// The outer size of a window whose client area is width x height layout pixels at `dpi`.
SIZE OuterSize(DWORD style, DWORD extendedStyle, int width, int height, UINT dpi);

// The system's dialog font at 11 pixels of the layout, the size of 8 points on a 96 dpi
// screen that the layout was drawn for, whatever face stands in for it.
HFONT CreateDialogFont(UINT dpi);

// The children of one window with their rectangles in layout pixels, placed again at a new
// dpi with a new font.
class ScaledLayout {
  public:
    // A drop-down list is placed with its open height and its closed line kept at `closed`.
    void Add(HWND child, Place place, int closedHeight = 0);
    void Apply(UINT dpi, HFONT font) const;

  private:
    struct Child {
        HWND handle;
        Place place;
        int closedHeight;
    };
    std::vector<Child> children_;
};

// Creates a child control of `window` at `place` scaled by the window's dpi, with `font`,
// and adds it to the window's layout.
HWND AddScaledControl(HWND window, ScaledLayout& layout, HFONT font, const wchar_t* windowClass,
                      std::string_view text, DWORD style, Place place, int id = 0,
                      DWORD extendedStyle = 0);

}  // namespace kavrel
