#pragma once

#include <windows.h>

#include <map>
#include <optional>

#include "config/form.h"
#include "config/main_window_layout.h"
#include "win32/dpi.h"

namespace kavrel {

// wndMain's controls as created: the identifier a control's notifications carry is its
// place in the creation order.
struct MainControls {
    std::map<Control, HWND> handles;
    std::map<int, std::pair<Control, ControlKind>> byId;
};

// The identifier of kMainWindowControls[i] is kFirstControlId + i: past IDOK and IDCANCEL,
// which the keyboard's Enter and Escape send.
inline constexpr int kFirstControlId = 100;

// Creates wndMain's 25 controls in their creation order (also the keyboard focus order),
// in their initial state, and adds them to `layout`, which places them.
MainControls CreateMainControls(HWND window, ScaledLayout& layout);

// In a group of options only the selected one is a tab stop, as in a dialog: the Tab key
// passes the group over without selecting another option; the arrow keys move within it.
void UpdateOptionTabStops(const MainControls& controls);

}  // namespace kavrel
