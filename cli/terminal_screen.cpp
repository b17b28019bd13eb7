#include "cli/terminal_screen.h"

#include <algorithm>
#include <cstdio>

#include "cli/interrupt.h"
#include "cli/platform.h"

namespace kavrel::cli {

TerminalScreen::TerminalScreen() : progress_(PrepareTerminal()) {}

void TerminalScreen::ShowMessage(MessageIcon, const std::string& title, const std::string& text) {
    PrintLine(title + ": " + text);
    lastMessage_ = text;
    std::replace(lastMessage_.begin(), lastMessage_.end(), '\n', ' ');
}

bool TerminalScreen::OpenExchangeWindow() {
    std::lock_guard lock(mutex_);
    sessionOpen_ = true;
    step_ = 0;
    DrawProgress();
    return true;
}

bool TerminalScreen::CloseExchangeWindow() {
    std::lock_guard lock(mutex_);
    ClearProgress();
    sessionOpen_ = false;
    return true;
}

bool TerminalScreen::PollCancel() {
    return Interrupted();
}

void TerminalScreen::StepBegun() {
    std::lock_guard lock(mutex_);
    ++step_;
    DrawProgress();
}

void TerminalScreen::PrintLine(std::string_view line) {
    std::lock_guard lock(mutex_);
    ClearProgress();
    std::fprintf(stderr, "%.*s\n", static_cast<int>(line.size()), line.data());
    DrawProgress();
}

void TerminalScreen::DrawProgress() {
    if (progress_ && sessionOpen_) {
        std::fprintf(stderr, "\rОбмен данными: %d из %d", step_, std::max(steps_, step_));
        std::fflush(stderr);
    }
}

void TerminalScreen::ClearProgress() {
    if (progress_ && sessionOpen_) {
        std::fputs("\r\033[K", stderr);
    }
}

}  // namespace kavrel::cli
