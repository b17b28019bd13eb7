#pragma once

#include <string>

namespace kavrel {

enum class MessageIcon { Error, Warning };

// What the link needs of the screen: message boxes, wndMain refusing input during an
// exchange, the exchange window and its cancel button. Each front end implements it; the
// tests implement it in memory. All calls but ShowAnimationFrame come from the
// user-interface thread.
class Screen {
  public:
    virtual ~Screen() = default;

    // A modal message box with one OK button; returns once the operator dismissed it.
    virtual void ShowMessage(MessageIcon icon, const std::string& title,
                             const std::string& text) = 0;

    // Whether wndMain takes input. Its controls keep their own enabled flags underneath,
    // and an open secondary window (wndInfo, wndAbout) keeps it refusing input whoever asks.
    virtual void SetMainWindowEnabled(bool enabled) = 0;

    // Opens "Обмен данными" over wndMain showing animation frame 0 and "Отмена"; false
    // when it could not be opened. It does not touch wndMain's enabled state.
    virtual bool OpenExchangeWindow() = 0;
    // Called from the animation worker: must not block. The picture changes only when the
    // user-interface thread processes events.
    virtual void ShowAnimationFrame(int frame) = 0;
    // Closes the exchange window; true when it no longer exists.
    virtual bool CloseExchangeWindow() = 0;
    // Processes pending user-interface events once, without waiting, and tells whether the
    // exchange window's "Отмена" was pressed since the last poll (a press is kept until a
    // poll takes it).
    virtual bool PollCancel() = 0;
};

}  // namespace kavrel
