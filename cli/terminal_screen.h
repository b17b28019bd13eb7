#pragma once

#include <mutex>
#include <string>
#include <string_view>

#include "link/screen.h"

namespace kavrel::cli {

// The screen of the command line: every box becomes its title and text on standard error,
// the exchange window a one-line progress indicator there (only on a terminal), and
// "Отмена" is Ctrl+C.
class TerminalScreen : public Screen {
  public:
    TerminalScreen();

    void ShowMessage(MessageIcon icon, const std::string& title, const std::string& text) override;
    void SetMainWindowEnabled(bool) override {}
    bool OpenExchangeWindow() override;
    void ShowAnimationFrame(int) override {}
    bool CloseExchangeWindow() override;
    bool PollCancel() override;

    // How many transactions the next session makes, and the start of each one.
    void ExpectSteps(int count) { steps_ = count; }
    void StepBegun();
    // A line of our own on standard error, which the progress indicator makes way for.
    void PrintLine(std::string_view line);
    // The text of the latest box, on one line; "" when none was shown.
    std::string LastMessage() const { return lastMessage_; }

  private:
    void DrawProgress();
    void ClearProgress();

    const bool progress_;  // standard error is a terminal
    std::mutex mutex_;
    bool sessionOpen_ = false;
    int steps_ = 0;
    int step_ = 0;
    std::string lastMessage_;
};

}  // namespace kavrel::cli
