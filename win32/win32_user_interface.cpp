#include "win32/win32_user_interface.h"

#include <richedit.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <utility>

#include "config/main_window_layout.h"
#include "config/secondary_window_layout.h"
#include "config/startup_form.h"
#include "config/window_texts.h"
#include "link/utf16_win32.h"

namespace kavrel {
namespace {

constexpr wchar_t kWindowClass[] = L"KavrelWindow";
// Posted by the animation worker to wndMain: wParam the frame, lParam the exchange window's
// generation, so a frame meant for an earlier window is dropped.
constexpr UINT kShowFrameMessage = WM_APP + 1;
// Apart from IDOK and IDCANCEL, which the keyboard's Enter and Escape send.
constexpr int kOkId = 10;      // btnInfoOk, btnAboutOk
constexpr int kCancelId = 11;  // "Отмена"

constexpr DWORD kMainStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD kSecondaryExtendedStyle = WS_EX_DLGMODALFRAME;

// The outer size of a window whose client area is width x height.
SIZE OuterSize(DWORD style, DWORD extendedStyle, int width, int height) {
    RECT area{0, 0, width, height};
    AdjustWindowRectEx(&area, style, FALSE, extendedStyle);
    return {area.right - area.left, area.bottom - area.top};
}

// The system's dialog font at 11 pixels, the size of 8 points on a 96 dpi screen that the
// layout was drawn for, whatever face stands in for it.
HFONT CreateDialogFont() {
    LOGFONTW font{};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(font), &font);
    font.lfHeight = -11;
    return CreateFontIndirectW(&font);
}

}  // namespace

Win32UserInterface::Win32UserInterface(const Pictures& pictures)
    : pictures_(pictures), font_(CreateDialogFont()) {
    LoadLibraryW(L"Msftedit.dll");  // the rich-text box of wndAbout
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = WindowProcedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kWindowClass;
    RegisterClassW(&windowClass);

    const SIZE outer = OuterSize(kMainStyle, 0, kMainClientWidth, kMainClientHeight);
    main_ = CreateWindowExW(0, kWindowClass, Utf16(std::string(texts::kMainWindowTitle)).c_str(),
                            kMainStyle, CW_USEDEFAULT, CW_USEDEFAULT, outer.cx, outer.cy, nullptr,
                            nullptr, GetModuleHandleW(nullptr), this);
    if (!main_) {
        throw std::runtime_error("wndMain cannot be created");
    }
    controls_ = CreateMainControls(main_, font_);
    for (const startup::ControlStart& start : startup::kControls) {
        valueBytes_[start.control] = start.valueByte;
    }
}

Win32UserInterface::~Win32UserInterface() {
    if (IsWindow(main_)) {
        DestroyWindow(main_);  // and the windows it owns
    }
    DeleteObject(font_);
}

void Win32UserInterface::Connect(Control control, std::function<void()> handler) {
    handlers_[control] = std::move(handler);
}

void Win32UserInterface::ShowCentredOnScreen() {
    RECT screen{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &screen, 0);
    RECT outer{};
    GetWindowRect(main_, &outer);
    const int width = outer.right - outer.left;
    const int height = outer.bottom - outer.top;
    SetWindowPos(main_, nullptr, screen.left + (screen.right - screen.left - width) / 2,
                 screen.top + (screen.bottom - screen.top - height) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER);
    ShowWindow(main_, SW_SHOW);
    UpdateWindow(main_);
}

HWND Win32UserInterface::Find(Control control) const {
    if (const auto found = controls_.handles.find(control); found != controls_.handles.end()) {
        return found->second;
    }
    const auto found = infoValues_.find(control);
    return info_ && found != infoValues_.end() ? found->second : nullptr;
}

int Win32UserInterface::State(Control control) const {
    HWND handle = Find(control);
    const auto entry = controls_.byId.find(GetDlgCtrlID(handle));
    if (!handle || entry == controls_.byId.end()) {
        return 0;
    }
    switch (entry->second.second) {
        case ControlKind::List:
            return static_cast<int>(SendMessageW(handle, CB_GETCURSEL, 0, 0));
        case ControlKind::Option:
        case ControlKind::CheckBox:
            return SendMessageW(handle, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
        default:
            return 0;
    }
}

void Win32UserInterface::SetState(Control control, int state) {
    HWND handle = Find(control);
    const auto entry = controls_.byId.find(GetDlgCtrlID(handle));
    if (!handle || entry == controls_.byId.end()) {
        return;
    }
    switch (entry->second.second) {
        case ControlKind::List:
            SendMessageW(handle, CB_SETCURSEL, static_cast<WPARAM>(state), 0);
            break;
        case ControlKind::Option:
            // Selecting an option clears the other one, as a click does.
            if (state == 1) {
                for (Control option : {Control::optSlave, Control::optAutonomous}) {
                    SendMessageW(Find(option), BM_SETCHECK, BST_UNCHECKED, 0);
                }
            }
            [[fallthrough]];
        case ControlKind::CheckBox:
            SendMessageW(handle, BM_SETCHECK, state == 1 ? BST_CHECKED : BST_UNCHECKED, 0);
            break;
        default:
            break;
    }
}

std::string Win32UserInterface::Text(Control control) const {
    HWND handle = Find(control);
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(handle)), L'\0');
    text.resize(static_cast<size_t>(
        GetWindowTextW(handle, text.data(), static_cast<int>(text.size()) + 1)));
    return Utf8(text);
}

void Win32UserInterface::SetText(Control control, const std::string& text) {
    HWND handle = Find(control);
    const auto entry = controls_.byId.find(GetDlgCtrlID(handle));
    if (!handle || (entry != controls_.byId.end() && entry->second.second == ControlKind::List)) {
        return;  // a drop-down list's text is its chosen item
    }
    settingText_ = true;
    SetWindowTextW(handle, Utf16(text).c_str());
    settingText_ = false;
}

void Win32UserInterface::SetEnabled(Control control, bool enabled) {
    if (HWND handle = Find(control)) {
        EnableWindow(handle, enabled);
    }
}

int Win32UserInterface::ValueByte(Control control) const {
    const auto found = valueBytes_.find(control);
    return found == valueBytes_.end() ? 0 : found->second;
}

void Win32UserInterface::SetValueByte(Control control, int value) {
    if (Find(control)) {
        valueBytes_[control] = value;
    }
}

void Win32UserInterface::ShowMessage(MessageIcon icon, const std::string& title,
                                     const std::string& text) {
    MessageBoxW(main_, Utf16(text).c_str(), Utf16(title).c_str(),
                MB_OK | (icon == MessageIcon::Error ? MB_ICONERROR : MB_ICONWARNING));
}

void Win32UserInterface::SetMainWindowEnabled(bool enabled) {
    EnableWindow(main_, MainWindowTakesInput(enabled, info_ != nullptr, about_ != nullptr));
}

HWND Win32UserInterface::CreateSecondary(std::string_view title, DWORD style, ClientSize client) {
    const SIZE outer = OuterSize(style, kSecondaryExtendedStyle, client.width, client.height);
    RECT owner{};
    GetWindowRect(main_, &owner);
    const int left = owner.left + (owner.right - owner.left - outer.cx) / 2;
    const int top = owner.top + (owner.bottom - owner.top - outer.cy) / 2;
    return CreateWindowExW(kSecondaryExtendedStyle, kWindowClass, Utf16(title).c_str(), style,
                           std::max(left, 0), std::max(top, 0), outer.cx, outer.cy, main_, nullptr,
                           GetModuleHandleW(nullptr), this);
}

HWND Win32UserInterface::AddControl(HWND window, const wchar_t* windowClass, std::string_view text,
                                    DWORD style, Place place, int id) {
    HWND control = CreateWindowExW(
        0, windowClass, Utf16(text).c_str(), WS_CHILD | WS_VISIBLE | style, place.x, place.y,
        place.width, place.height, window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
        GetModuleHandleW(nullptr), nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    return control;
}

bool Win32UserInterface::OpenInfoWindow() {
    if (info_) {
        return false;
    }
    info_ = CreateSecondary(texts::kInfoWindowTitle, WS_POPUP | WS_CAPTION, info_window::kClient);
    if (!info_) {
        return false;
    }
    EnableWindow(main_, FALSE);
    // The four captions first, then the four values, then the button.
    for (const texts::InfoRow& row : texts::kInfoRows) {
        AddControl(info_, L"STATIC", row.caption, SS_LEFTNOWORDWRAP, info_window::Caption(row.y));
    }
    for (const texts::InfoRow& row : texts::kInfoRows) {
        infoValues_[row.value] =
            AddControl(info_, L"STATIC", "000", SS_LEFT, info_window::Value(row.y));
    }
    AddControl(info_, L"BUTTON", info_window::kOkCaption, BS_PUSHBUTTON | WS_TABSTOP,
               info_window::kOk, kOkId);
    ShowWindow(info_, SW_SHOW);
    return true;
}

void Win32UserInterface::CloseInfoWindow() {
    DestroyWindow(info_);
    if (!IsWindow(info_)) {
        info_ = nullptr;
        infoValues_.clear();
        SetMainWindowEnabled(true);
        SetActiveWindow(main_);
    }
}

void Win32UserInterface::OpenAboutWindow() {
    if (about_) {
        return;
    }
    about_ = CreateSecondary(texts::kAboutWindowTitle, WS_POPUP | WS_CAPTION | WS_SYSMENU,
                             about_window::kClient);
    if (!about_) {
        return;
    }
    EnableWindow(main_, FALSE);
    HWND banner = AddControl(about_, L"STATIC", "", SS_BITMAP, about_window::kBanner);
    SendMessageW(banner, STM_SETIMAGE, IMAGE_BITMAP,
                 reinterpret_cast<LPARAM>(pictures_.aboutBanner));
    const Place place = about_window::kText;
    HWND text =
        CreateWindowExW(WS_EX_CLIENTEDGE, MSFTEDIT_CLASS, L"",
                        WS_CHILD | WS_VISIBLE | WS_HSCROLL | WS_VSCROLL | ES_MULTILINE |
                            ES_READONLY | ES_AUTOHSCROLL | ES_AUTOVSCROLL | ES_DISABLENOSCROLL,
                        place.x, place.y, place.width, place.height, about_, nullptr,
                        GetModuleHandleW(nullptr), nullptr);
    SendMessageW(text, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
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
    AddControl(about_, L"BUTTON", about_window::kOkCaption, BS_PUSHBUTTON | WS_TABSTOP,
               about_window::kOk, kOkId);
    ShowWindow(about_, SW_SHOW);
}

void Win32UserInterface::CloseAboutWindow() {
    DestroyWindow(about_);
    if (!IsWindow(about_)) {
        about_ = nullptr;
        SetMainWindowEnabled(true);
        SetActiveWindow(main_);
    }
}

bool Win32UserInterface::OpenExchangeWindow() {
    if (exchange_) {
        return false;
    }
    exchange_ = CreateSecondary(texts::kExchangeWindowTitle, WS_POPUP | WS_CAPTION,
                                exchange_window::kClient);
    if (!exchange_) {
        return false;
    }
    cancel_.Reset();
    ++exchangeGeneration_;
    animationImage_ = AddControl(exchange_, L"STATIC", "", SS_BITMAP, exchange_window::kAnimation);
    SendMessageW(animationImage_, STM_SETIMAGE, IMAGE_BITMAP,
                 reinterpret_cast<LPARAM>(pictures_.animationFrames[0]));
    AddControl(exchange_, L"BUTTON", exchange_window::kCancelCaption, BS_PUSHBUTTON | WS_TABSTOP,
               exchange_window::kCancel, kCancelId);
    ShowWindow(exchange_, SW_SHOW);
    UpdateWindow(exchange_);
    return true;
}

void Win32UserInterface::ShowAnimationFrame(int frame) {
    // Called from the animation worker: post the change and return at once.
    PostMessageW(main_, kShowFrameMessage, static_cast<WPARAM>(frame),
                 static_cast<LPARAM>(exchangeGeneration_.load()));
}

bool Win32UserInterface::CloseExchangeWindow() {
    if (exchange_) {
        ++exchangeGeneration_;
        DestroyWindow(exchange_);
        if (!IsWindow(exchange_)) {
            exchange_ = nullptr;
        }
    }
    return exchange_ == nullptr;
}

bool Win32UserInterface::PollCancel() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));  // for the main loop
            break;
        }
        DeliverMessage(message);
    }
    return cancel_.Take();
}

void DeliverMessage(MSG& message) {
    // The tab key moves through a window's controls in their creation order.
    if (!IsDialogMessageW(GetAncestor(message.hwnd, GA_ROOT), &message)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

LRESULT CALLBACK Win32UserInterface::WindowProcedure(HWND window, UINT message, WPARAM wParam,
                                                     LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* creation = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
    }
    auto* ui = reinterpret_cast<Win32UserInterface*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    return ui ? ui->Handle(window, message, wParam, lParam)
              : DefWindowProcW(window, message, wParam, lParam);
}

LRESULT Win32UserInterface::Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const int id = LOWORD(wParam);
    const int code = HIWORD(wParam);
    switch (message) {
        case WM_COMMAND:
            if (window == main_) {
                OnMainCommand(id, code);
            } else if (code == BN_CLICKED && id == kOkId && window == info_) {
                CloseInfoWindow();
            } else if (code == BN_CLICKED && id == kOkId && window == about_) {
                CloseAboutWindow();
            } else if (code == BN_CLICKED && id == kCancelId && window == exchange_) {
                cancel_.Press();
            }
            return 0;
        case WM_CLOSE:
            // wndMain refuses to close during an operation or while a secondary window is
            // open; wndInfo and the exchange window close only by their buttons.
            if (window == main_ && IsWindowEnabled(main_)) {
                DestroyWindow(main_);
            } else if (window == about_) {
                CloseAboutWindow();
            }
            return 0;
        case WM_DESTROY:
            if (window == main_) {
                PostQuitMessage(0);
            }
            return 0;
        case kShowFrameMessage:
            if (exchange_ && static_cast<unsigned>(lParam) == exchangeGeneration_.load() &&
                wParam < pictures_.animationFrames.size()) {
                SendMessageW(animationImage_, STM_SETIMAGE, IMAGE_BITMAP,
                             reinterpret_cast<LPARAM>(pictures_.animationFrames[wParam]));
            }
            return 0;
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

void Win32UserInterface::OnMainCommand(int id, int code) {
    const auto entry = controls_.byId.find(id);
    if (entry == controls_.byId.end()) {
        return;
    }
    const auto [control, kind] = entry->second;
    bool userAction = false;
    switch (kind) {
        case ControlKind::List:
            userAction = code == CBN_SELCHANGE;
            break;
        case ControlKind::DigitField:
            userAction =
                (code == EN_CHANGE && !settingText_) || code == EN_SETFOCUS || code == EN_KILLFOCUS;
            break;
        default:
            userAction = code == BN_CLICKED;
            break;
    }
    const auto handler = handlers_.find(control);
    if (userAction && handler != handlers_.end()) {
        handler->second();
    }
}

}  // namespace kavrel
