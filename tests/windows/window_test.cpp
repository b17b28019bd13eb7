// The Win32 window in this process, on the display wine draws on: its geometry at the dpi
// in use, the keyboard paths of the dialog manager, and the GDI objects of the busy
// animation. Activation after the exchange window is met through the program itself.
#include <objbase.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string_view>

#include "config/form_rules.h"
#include "config/main_window_layout.h"
#include "win32/dpi.h"
#include "win32/win32_user_interface.h"

namespace kavrel {
namespace {

// GetGuiResources counts them on Windows; wine answers 0 and finds a GDI object by the low
// word of its handle alone, so there the handle table is walked.
int GdiObjectCount() {
    if (const DWORD count = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)) {
        return static_cast<int>(count);
    }
    int count = 0;
    for (std::uintptr_t handle = 1; handle < 0x10000; ++handle) {
        count += GetObjectType(reinterpret_cast<HGDIOBJ>(handle)) != 0 ? 1 : 0;
    }
    return count;
}

// The keyboard as the message loop hands it over: down and up through the dialog manager.
void PressKey(Win32UserInterface& ui, WPARAM key) {
    HWND focus = GetFocus();
    PostMessageW(focus, WM_KEYDOWN, key, 1);
    PostMessageW(focus, WM_KEYUP, key, 0xC0000001);
    ui.PollCancel();
}

RECT ClientRect(HWND control) {
    RECT place{};
    GetWindowRect(control, &place);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&place), 2);
    return place;
}

int IndexOf(const char* name) {
    for (size_t index = 0; index < kMainWindowControls.size(); ++index) {
        if (std::string_view(kMainWindowControls[index].name) == name) {
            return static_cast<int>(index);
        }
    }
    return -1;
}

class Win32WindowTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        ui_ = std::make_unique<Win32UserInterface>();
        const auto modeRule = [this] { ApplyModeRule(*ui_); };
        ui_->Connect(Control::optSlave, modeRule);
        ui_->Connect(Control::optAutonomous, modeRule);
        ui_->ShowCentredOnScreen();
        ui_->PollCancel();
        main_ = FindWindowW(L"KavrelWindow", nullptr);
        ASSERT_NE(main_, nullptr);
    }
    void TearDown() override {
        ui_.reset();
        CoUninitialize();
    }
    HWND Item(const char* name) const { return GetDlgItem(main_, kFirstControlId + IndexOf(name)); }

    void ExpectLaidOutAt(UINT dpi) const {
        RECT client{};
        GetClientRect(main_, &client);
        EXPECT_EQ(client.right, Scaled(kMainClientWidth, dpi)) << dpi << " dpi";
        EXPECT_EQ(client.bottom, Scaled(kMainClientHeight, dpi));
        for (size_t index = 0; index < kMainWindowControls.size(); ++index) {
            const ControlEntry& entry = kMainWindowControls[index];
            const RECT place =
                ClientRect(GetDlgItem(main_, kFirstControlId + static_cast<int>(index)));
            const int x = Scaled(entry.x, dpi);
            const int y = Scaled(entry.y, dpi);
            // A closed drop-down list is as high as its line; the others as the layout says.
            const int height = entry.kind == ControlKind::List ? place.bottom - place.top
                                                               : Scaled(entry.height, dpi);
            EXPECT_EQ(place.left, x) << entry.name << " at " << dpi << " dpi";
            EXPECT_EQ(place.top, y) << entry.name;
            EXPECT_EQ(place.right, x + Scaled(entry.width, dpi)) << entry.name;
            EXPECT_EQ(place.bottom, y + height) << entry.name;
        }
    }

    std::unique_ptr<Win32UserInterface> ui_;
    HWND main_ = nullptr;
};

// At the dpi the window was made for, then after it moved to a screen of 192 dpi (the
// message Windows sends then, with the outer rectangle it suggests).
TEST_F(Win32WindowTest, EveryControlLiesAtItsRectangleScaledByTheWindowsDpi) {
    const UINT native = WindowDpi(main_);
    for (const UINT dpi : {native, 192U}) {
        if (dpi != native) {
            // Its frame as it is, around the client area at the new dpi.
            RECT outer{};
            RECT client{};
            GetWindowRect(main_, &outer);
            GetClientRect(main_, &client);
            RECT suggested{
                0, 0, outer.right - outer.left - client.right + Scaled(kMainClientWidth, dpi),
                outer.bottom - outer.top - client.bottom + Scaled(kMainClientHeight, dpi)};
            SendMessageW(main_, WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                         reinterpret_cast<LPARAM>(&suggested));
        }
        ExpectLaidOutAt(dpi);
    }
}

TEST_F(Win32WindowTest, TabFromTheSelectedOptionGoesToTheAddressAndLeavesTheMode) {
    for (const char* selected : {"optSlave", "optAutonomous"}) {
        SendMessageW(Item(selected), BM_CLICK, 0, 0);
        SetFocus(Item(selected));
        const int mode = ui_->ValueByte(Control::optSlave);
        // Windows' dialog manager tabs onto every tab stop, and an automatic option that
        // gets the focus selects itself (wine does not do the latter): the unselected
        // option must not be one.
        for (const char* option : {"optSlave", "optAutonomous"}) {
            EXPECT_EQ((GetWindowLongW(Item(option), GWL_STYLE) & WS_TABSTOP) != 0,
                      std::string_view(option) == selected)
                << option << " with " << selected << " selected";
        }
        PressKey(*ui_, VK_TAB);
        // In autonomous mode the address is disabled, so the Tab goes on to the next box.
        EXPECT_EQ(GetFocus(),
                  Item(selected == std::string_view("optSlave") ? "strAddress" : "chkCountRed"))
            << "from " << selected;
        EXPECT_EQ(ui_->ValueByte(Control::optSlave), mode);
        // Shift+Tab comes back to the selected option, never the other one.
        EXPECT_EQ(GetNextDlgTabItem(main_, GetFocus(), TRUE), Item(selected));
    }
    // The arrow keys move within the group and select as they go.
    SetFocus(Item("optAutonomous"));
    PressKey(*ui_, VK_UP);
    EXPECT_EQ(GetFocus(), Item("optSlave"));
    EXPECT_EQ(ui_->ValueByte(Control::optSlave), 1);
    EXPECT_EQ(ui_->State(Control::optSlave), 1);
}

TEST_F(Win32WindowTest, EnterAndEscapeCloseTheAboutWindow) {
    for (WPARAM key : {VK_RETURN, VK_ESCAPE}) {
        ui_->OpenAboutWindow();
        ui_->PollCancel();
        ASSERT_FALSE(IsWindowEnabled(main_));
        PressKey(*ui_, key);
        EXPECT_TRUE(IsWindowEnabled(main_)) << "key " << key;
        EXPECT_EQ(GetActiveWindow(), main_);
    }
}

TEST_F(Win32WindowTest, TheBusyAnimationLeavesNoGdiObjectBehind) {
    ASSERT_TRUE(ui_->OpenExchangeWindow());
    const int frames = 12;
    for (int frame = 0; frame < frames; ++frame) {  // every picture shown once
        ui_->ShowAnimationFrame(frame);
        ui_->PollCancel();
    }
    const int before = GdiObjectCount();
    for (int shown = 0; shown < 25 * frames; ++shown) {
        ui_->ShowAnimationFrame(shown % frames);
        ui_->PollCancel();
    }
    EXPECT_LE(GdiObjectCount(), before);
    const int open = GdiObjectCount();
    ASSERT_TRUE(ui_->CloseExchangeWindow());
    ui_->PollCancel();
    EXPECT_LE(GdiObjectCount(), open);
}

}  // namespace
}  // namespace kavrel
