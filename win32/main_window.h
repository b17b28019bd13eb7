#pragma once

#include <windows.h>

#include <map>
#include <optional>

#include "config/form.h"
#include "config/main_window_layout.h"

namespace kavrel {

// wndMain's controls as created: the identifier a control's notifications carry is its
// place in the creation order.
struct MainControls {
    std::map<Control, HWND> handles;
    std::map<int, std::pair<Control, ControlKind>> byId;
};

// Creates wndMain's 25 controls in their creation order (also the keyboard focus order),
// in their initial state, with the dialog font.
MainControls CreateMainControls(HWND window, HFONT font);

}  // namespace kavrel
