#pragma once

#include <string_view>

namespace kavrel {

// The windows opened over wndMain as every front end draws them: client size and the place
// of each control in the client area. While wndInfo or wndAbout is open wndMain refuses
// input (MainWindowTakesInput); the exchange window closes only when its session ends.

struct Place {
    int x, y, width, height;
};
struct ClientSize {
    int width, height;
};

// wndInfo: per row of texts::kInfoRows a caption and its value at the row's top, then "OK".
namespace info_window {
inline constexpr ClientSize kClient{253, 152};
inline constexpr Place Caption(int y) {
    return {17, y, 198, 20};
}
inline constexpr Place Value(int y) {
    return {220, y, 25, 20};
}
inline constexpr Place kOk{93, 124, 69, 20};
inline constexpr std::string_view kOkCaption = "OK";
}  // namespace info_window

// wndAbout: the banner, the text box (yellow on black, both scroll bars), "Ок".
namespace about_window {
inline constexpr ClientSize kClient{390, 290};
inline constexpr Place kBanner{10, 10, 370, 70};
inline constexpr Place kText{10, 90, 370, 150};
inline constexpr Place kOk{156, 250, 78, 30};
inline constexpr std::string_view kOkCaption = "Ок";
}  // namespace about_window

// "Обмен данными": the busy animation and "Отмена".
namespace exchange_window {
inline constexpr ClientSize kClient{110, 145};
inline constexpr Place kAnimation{5, 5, 100, 100};
inline constexpr Place kCancel{5, 110, 100, 30};
inline constexpr std::string_view kCancelCaption = "Отмена";
}  // namespace exchange_window

// Whether wndMain takes input when asked to: an open secondary window keeps it refusing
// input whoever asks.
inline constexpr bool MainWindowTakesInput(bool asked, bool infoOpen, bool aboutOpen) {
    return asked && !infoOpen && !aboutOpen;
}

// The exchange window's "Отмена": pressed any number of times between two polls, it is
// reported once; a new exchange window starts unpressed.
class CancelLatch {
  public:
    void Reset() { pressed_ = false; }
    void Press() { pressed_ = true; }
    bool Take() {
        const bool pressed = pressed_;
        pressed_ = false;
        return pressed;
    }

  private:
    bool pressed_ = false;
};

}  // namespace kavrel
