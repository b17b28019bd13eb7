#include "win32/win32_user_interface.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <utility>

#include "config/main_window_layout.h"
#include "config/secondary_window_layout.h"
#include "config/startup_form.h"
#include "config/window_texts.h"
#include "link/utf16_win32.h"
#include "win32/about_window.h"
#include "win32/exchange_window.h"
#include "win32/info_window.h"

namespace kavrel {
namespace {

constexpr wchar_t kWindowClass[] = L"KavrelWindow";
constexpr int kIconId = 1;  // as packaging/windows/resources names it
// Posted by the animation worker to wndMain: wParam the frame, lParam the exchange window's
// generation, so a frame meant for an earlier window is dropped.
constexpr UINT kShowFrameMessage = WM_APP + 1;
// Posted to wndMain when a drop-down list has closed, wParam its identifier: the list then
// shows its final item, whichever way it was closed.
constexpr UINT kListClosedMessage = WM_APP + 2;
constexpr DWORD kMainStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD kSecondaryExtendedStyle = WS_EX_DLGMODALFRAME;

}  // namespace

Win32UserInterface::Win32UserInterface() {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = WindowProcedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    // The program's icon (resource 1), at the sizes of the title bar and of Alt+Tab.
    windowClass.hIcon = static_cast<HICON>(
        LoadImageW(windowClass.hInstance, MAKEINTRESOURCEW(kIconId), IMAGE_ICON,
                   GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR));
    windowClass.hIconSm = static_cast<HICON>(
        LoadImageW(windowClass.hInstance, MAKEINTRESOURCEW(kIconId), IMAGE_ICON,
                   GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kWindowClass;
    RegisterClassExW(&windowClass);

    main_ = CreateWindowExW(0, kWindowClass, Utf16(std::string(texts::kMainWindowTitle)).c_str(),
                            kMainStyle, CW_USEDEFAULT, CW_USEDEFAULT, 0, 0, nullptr, nullptr,
                            GetModuleHandleW(nullptr), this);
    if (!main_) {
        throw std::runtime_error("wndMain cannot be created");
    }
    // Its size and everything in it follow the dpi of the screen it is on.
    dpi_ = WindowDpi(main_);
    pictures_ = std::make_unique<Pictures>();
    if (!DecodePictures(*pictures_, dpi_)) {
        DestroyWindow(main_);
        throw std::runtime_error("the pictures cannot be decoded");
    }
    font_ = CreateDialogFont(dpi_);
    const SIZE outer = OuterSize(kMainStyle, 0, kMainClientWidth, kMainClientHeight, dpi_);
    SetWindowPos(main_, nullptr, 0, 0, outer.cx, outer.cy, SWP_NOMOVE | SWP_NOZORDER);
    controls_ = CreateMainControls(main_, layouts_[main_]);
    layouts_[main_].Apply(dpi_, font_);
    for (const startup::ControlStart& start : startup::kControls) {
        valueBytes_[start.control] = start.valueByte;
    }
    files_ = std::make_unique<SettingsFileCommands>(main_, *this, *this);
}

void Win32UserInterface::SettingRead(Control setting, int deviceByte) {
    if (setting == Control::strVolume) {
        volume_.Read(deviceByte);
    }
}

int Win32UserInterface::VolumeByteToWrite() const {
    return volume_.ToWrite(ValueByte(Control::strVolume));
}

int Win32UserInterface::VolumeByteToSave() const {
    return volume_.ToSave(ValueByte(Control::strVolume));
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
            SendMessageW(handle, BM_SETCHECK, state == 1 ? BST_CHECKED : BST_UNCHECKED, 0);
            UpdateOptionTabStops(controls_);
            break;
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
    const SIZE outer =
        OuterSize(style, kSecondaryExtendedStyle, client.width, client.height, WindowDpi(main_));
    RECT owner{};
    GetWindowRect(main_, &owner);
    const int left = owner.left + (owner.right - owner.left - outer.cx) / 2;
    const int top = owner.top + (owner.bottom - owner.top - outer.cy) / 2;
    return CreateWindowExW(kSecondaryExtendedStyle, kWindowClass, Utf16(title).c_str(), style,
                           std::max(left, 0), std::max(top, 0), outer.cx, outer.cy, main_, nullptr,
                           GetModuleHandleW(nullptr), this);
}

void Win32UserInterface::DestroySecondary(HWND window) {
    // wndMain is enabled first, so that Windows hands the activation back to it rather than
    // to another program's window; if the window stays, wndMain is disabled again.
    const bool otherOpen = (info_ && info_ != window) || (about_ && about_ != window);
    if (!otherOpen) {
        EnableWindow(main_, TRUE);
    }
    // A picture control does not delete its copy of a bitmap when it is destroyed.
    if (window == exchange_ && animationImage_) {
        ShowBitmap(animationImage_, nullptr, *pictures_);
    }
    if (window == about_ && aboutBanner_) {
        ShowBitmap(aboutBanner_, nullptr, *pictures_);
    }
    DestroyWindow(window);
    if (IsWindow(window)) {
        EnableWindow(main_, FALSE);
        return;
    }
    layouts_.erase(window);
    focus_.erase(window);
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
    infoValues_ = CreateInfoControls(info_, layouts_[info_], font_);
    ShowWindow(info_, SW_SHOW);
    return true;
}

void Win32UserInterface::CloseInfoWindow() {
    DestroySecondary(info_);
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
    aboutBanner_ = CreateAboutControls(about_, layouts_[about_], font_, *pictures_);
    ShowWindow(about_, SW_SHOW);
}

void Win32UserInterface::CloseAboutWindow() {
    DestroySecondary(about_);
    if (!IsWindow(about_)) {
        about_ = nullptr;
        aboutBanner_ = nullptr;
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
    animationImage_ = CreateExchangeControls(exchange_, layouts_[exchange_], font_, *pictures_);
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
        DestroySecondary(exchange_);
        if (!IsWindow(exchange_)) {
            exchange_ = nullptr;
            animationImage_ = nullptr;
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
    if (TranslateSettingsFileKeys(message)) {
        return;
    }
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
    if (window == main_ && files_ && files_->Handle(message, wParam, lParam)) {
        return 0;
    }
    switch (message) {
        case WM_COMMAND:
            if (window == main_) {
                OnMainCommand(id, code);
            } else if (code == BN_CLICKED && id == kInfoOkId && window == info_) {
                CloseInfoWindow();
            } else if (code == BN_CLICKED && window == about_ && ClosesAboutWindow(id)) {
                CloseAboutWindow();
            } else if (code == BN_CLICKED && id == kExchangeCancelId && window == exchange_) {
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
                wParam < pictures_->animationFrames.size()) {
                ShowBitmap(animationImage_, pictures_->animationFrames[wParam], *pictures_);
            }
            return 0;
        case kListClosedMessage:
            OnMainCommand(static_cast<int>(wParam), CBN_SELCHANGE);
            return 0;
        case WM_ACTIVATE:
            OnActivate(window, LOWORD(wParam) != WA_INACTIVE);
            return 0;
        case WM_DPICHANGED:
            OnDpiChanged(window, HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
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
            // Esc after the arrow keys closes the list back on its former item without a
            // selection change: once it has closed, its rule runs on what it shows.
            if (code == CBN_CLOSEUP || code == CBN_SELENDCANCEL) {
                PostMessageW(main_, kListClosedMessage, static_cast<WPARAM>(id), 0);
            }
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
    if (userAction && kind == ControlKind::Option) {
        UpdateOptionTabStops(controls_);
    }
}

void Win32UserInterface::OnActivate(HWND window, bool active) {
    // As a dialog does: the focused control is kept while the window is inactive and given
    // back when it is activated again; the first tab stop has it at first.
    if (!active) {
        if (HWND focused = GetFocus(); focused && IsChild(window, focused)) {
            focus_[window] = focused;
        }
        return;
    }
    HWND focus = focus_[window];
    const auto entry = controls_.byId.find(GetDlgCtrlID(focus));
    if (focus && window == main_ && entry != controls_.byId.end() &&
        entry->second.second == ControlKind::Option &&
        SendMessageW(focus, BM_GETCHECK, 0, 0) != BST_CHECKED) {
        focus = nullptr;  // an automatic option that gets the focus selects itself
    }
    if (!focus || !IsWindow(focus) || !IsChild(window, focus) || !IsWindowEnabled(focus) ||
        !IsWindowVisible(focus)) {
        focus = GetNextDlgTabItem(window, nullptr, FALSE);
    }
    if (focus) {
        SetFocus(focus);
    }
}

void Win32UserInterface::OnDpiChanged(HWND window, UINT dpi, const RECT& suggested) {
    if (dpi != dpi_) {
        // New pictures and a new font for the new scale; the old ones go once nothing shows
        // them any more.
        auto pictures = std::make_unique<Pictures>();
        if (DecodePictures(*pictures, dpi)) {
            if (animationImage_) {
                ShowBitmap(animationImage_, pictures->animationFrames[0], *pictures_);
            }
            if (aboutBanner_) {
                ShowBitmap(aboutBanner_, pictures->aboutBanner, *pictures_);
            }
            pictures_ = std::move(pictures);
        }
        HFONT old = font_;
        font_ = CreateDialogFont(dpi);
        dpi_ = dpi;
        for (const auto& [placed, layout] : layouts_) {
            layout.Apply(placed == window ? dpi : WindowDpi(placed), font_);
        }
        DeleteObject(old);
    } else {
        layouts_[window].Apply(dpi, font_);
    }
    SetWindowPos(window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace kavrel
