#include "win32/main_window.h"

#include <commctrl.h>

#include <string>
#include <vector>

#include "config/main_window_layout.h"
#include "config/startup_form.h"
#include "link/utf16_win32.h"

namespace kavrel {
namespace {

constexpr int kDroppedListHeight = 200;  // the open list below a drop-down's closed line

HWND CreateControl(const ControlEntry& entry, HWND parent, int id) {
    const wchar_t* windowClass = L"BUTTON";
    DWORD style = WS_CHILD | WS_VISIBLE;
    DWORD extendedStyle = 0;
    switch (entry.kind) {
        case ControlKind::Frame:
            style |= BS_GROUPBOX;
            break;
        case ControlKind::Option:
            // Only the selected option is a tab stop (see UpdateOptionTabStops).
            style |= BS_AUTORADIOBUTTON | (entry.control == Control::optSlave ? WS_TABSTOP : 0);
            break;
        case ControlKind::Text:
            windowClass = L"STATIC";
            style |= SS_LEFTNOWORDWRAP;  // clipped at its width, like the Qt caption
            break;
        case ControlKind::DigitField:
            windowClass = L"EDIT";
            style |= ES_NUMBER | ES_AUTOHSCROLL | WS_TABSTOP;
            extendedStyle = WS_EX_CLIENTEDGE;
            break;
        case ControlKind::CheckBox:
            style |= BS_AUTOCHECKBOX | WS_TABSTOP;
            break;
        case ControlKind::Button:
            style |= BS_PUSHBUTTON | WS_TABSTOP;
            break;
        case ControlKind::List:
            windowClass = L"COMBOBOX";
            style |= CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP;
            break;
    }
    // The two options form the one group the arrow keys move in; every other control is a
    // group of its own.
    if (entry.control != Control::optAutonomous) {
        style |= WS_GROUP;
    }
    return CreateWindowExW(extendedStyle, windowClass, Utf16(entry.caption).c_str(), style, 0, 0, 0,
                           0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr,
                           nullptr);
}

// Whether the clipboard holds text made of digits only (or nothing at all).
bool ClipboardHoldsOnlyDigits(HWND owner) {
    if (!OpenClipboard(owner)) {
        return false;
    }
    bool digits = true;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* text = static_cast<const wchar_t*>(GlobalLock(data))) {
            for (; *text != L'\0'; ++text) {
                digits = digits && *text >= L'0' && *text <= L'9';
            }
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return digits;
}

// ES_NUMBER refuses typed non-digits only; a paste holding any is refused whole, as the
// Qt window's digit validator refuses it.
LRESULT CALLBACK DigitsOnly(HWND field, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                            DWORD_PTR) {
    if (message == WM_PASTE && !ClipboardHoldsOnlyDigits(field)) {
        return 0;
    }
    return DefSubclassProc(field, message, wParam, lParam);
}

}  // namespace

MainControls CreateMainControls(HWND window, ScaledLayout& layout) {
    MainControls controls;
    for (size_t index = 0; index < kMainWindowControls.size(); ++index) {
        const ControlEntry& entry = kMainWindowControls[index];
        const int id = kFirstControlId + static_cast<int>(index);
        HWND handle = CreateControl(entry, window, id);
        if (entry.kind == ControlKind::DigitField) {
            SetWindowSubclass(handle, DigitsOnly, 0, 0);
        }
        const bool list = entry.kind == ControlKind::List;
        layout.Add(handle,
                   {entry.x, entry.y, entry.width, entry.height + (list ? kDroppedListHeight : 0)},
                   list ? entry.height : 0);
        if (entry.control) {
            controls.handles[*entry.control] = handle;
            controls.byId[id] = {*entry.control, entry.kind};
        }
    }

    for (const startup::ControlStart& start : startup::kControls) {
        HWND handle = controls.handles.at(start.control);
        const std::vector<std::string> items = startup::ListItems(start.control);
        if (!items.empty()) {
            for (const std::string& item : items) {
                SendMessageW(handle, CB_ADDSTRING, 0,
                             reinterpret_cast<LPARAM>(Utf16(item).c_str()));
            }
            SendMessageW(handle, CB_SETCURSEL, static_cast<WPARAM>(start.state), 0);
        } else if (start.state == 1) {
            SendMessageW(handle, BM_SETCHECK, BST_CHECKED, 0);
        }
        EnableWindow(handle, start.enabled);
    }
    return controls;
}

void UpdateOptionTabStops(const MainControls& controls) {
    for (Control option : {Control::optSlave, Control::optAutonomous}) {
        HWND handle = controls.handles.at(option);
        const bool selected = SendMessageW(handle, BM_GETCHECK, 0, 0) == BST_CHECKED;
        const LONG_PTR style = GetWindowLongPtrW(handle, GWL_STYLE);
        SetWindowLongPtrW(handle, GWL_STYLE, selected ? style | WS_TABSTOP : style & ~WS_TABSTOP);
    }
}

}  // namespace kavrel
