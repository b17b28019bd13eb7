#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "config/memory_form.h"
#include "config/secondary_window_layout.h"
#include "link/screen.h"

namespace kavrel::testing {

struct RecordedMessage {
    MessageIcon icon;
    std::string title, text;
};

// The screen over the form in memory: message boxes are recorded instead of shown, and a
// cancel press can be queued like a pending click.
class MemoryUi : public Screen, public MemoryForm {
  public:
    bool IsMainWindowEnabled() const { return mainEnabled_; }
    void SetMainWindowEnabled(bool enabled) override {
        mainEnabled_ = MainWindowTakesInput(enabled, IsInfoWindowOpen(), IsAboutWindowOpen());
    }
    bool OpenInfoWindow() override {
        const bool opened = MemoryForm::OpenInfoWindow();
        mainEnabled_ = false;
        return opened;
    }
    void CloseInfoWindow() {  // the operator's "OK"
        MemoryForm::CloseInfoWindow();
        SetMainWindowEnabled(true);
    }
    void ShowMessage(MessageIcon icon, const std::string& title, const std::string& text) override {
        messages.push_back({icon, title, text});
    }
    bool OpenExchangeWindow() override { return exchangeWindowOpen = !failWindows; }
    void ShowAnimationFrame(int frame) override {
        std::lock_guard lock(framesMutex);
        frames.push_back(frame);
    }
    bool CloseExchangeWindow() override { return !(exchangeWindowOpen = false); }
    bool PollCancel() override {
        ++polls;
        return cancelPending_.exchange(false);
    }

    // --- test controls and records ---
    void PressCancel() { cancelPending_ = true; }
    // The boxes shown since the last call, each as "title: text".
    std::vector<std::string> TakeBoxes() {
        std::vector<std::string> boxes;
        for (const RecordedMessage& message : std::exchange(messages, {})) {
            boxes.push_back(message.title + ": " + message.text);
        }
        return boxes;
    }
    bool failWindows = false, exchangeWindowOpen = false;  // the first makes it fail to open
    std::vector<RecordedMessage> messages;
    int polls = 0;
    std::mutex framesMutex;  // the animation worker shows its frames from its own thread
    std::vector<int> frames;

  private:
    bool mainEnabled_ = true;
    std::atomic<bool> cancelPending_ = false;
};

}  // namespace kavrel::testing
