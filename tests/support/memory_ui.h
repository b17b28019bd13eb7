#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "link/user_interface.h"

namespace kavrel::testing {

struct RecordedMessage {
    MessageIcon icon;
    std::string title;
    std::string text;
};

// The screen in memory: the form starts as wndMain does after start-up, message boxes are
// recorded instead of shown, and a cancel press can be queued like a pending click.
class MemoryUi : public UserInterface {
public:
    MemoryUi();

    int State(Control control) const override;
    void SetState(Control control, int state) override;
    std::string Text(Control control) const override;
    void SetText(Control control, const std::string& text) override;
    bool IsEnabled(Control control) const override;
    void SetEnabled(Control control, bool enabled) override;
    int ValueByte(Control control) const override;
    void SetValueByte(Control control, int value) override;
    bool IsMainWindowEnabled() const override { return mainEnabled_; }
    void SetMainWindowEnabled(bool enabled) override { mainEnabled_ = enabled; }

    void ShowMessage(MessageIcon icon, const std::string& title, const std::string& text) override;

    bool OpenInfoWindow() override;
    bool IsInfoWindowOpen() const override { return infoOpen_; }

    bool OpenExchangeWindow() override;
    void ShowAnimationFrame(int frame) override;
    bool CloseExchangeWindow() override;
    bool PollCancel() override;

    // --- test controls and records ---
    void PressCancel() { cancelPending_ = true; }
    void CloseInfoWindow() { infoOpen_ = false; }
    // Runs inside ShowMessage, as if the operator looked at the box before dismissing it.
    std::function<void(const RecordedMessage&)> onMessage;
    bool failWindows = false;  // OpenExchangeWindow and OpenInfoWindow fail

    std::vector<RecordedMessage> messages;
    bool exchangeWindowOpen = false;
    int exchangeWindowOpenings = 0;
    int polls = 0;
    std::vector<int> AnimationFrames() const;

private:
    struct ControlState {
        int state = 0;
        std::string text;
        bool enabled = true;
        int valueByte = 0;
    };
    std::map<Control, ControlState> controls_;
    bool mainEnabled_ = true;
    bool infoOpen_ = false;
    std::atomic<bool> cancelPending_ = false;
    mutable std::mutex framesMutex_;
    std::vector<int> frames_;
};

}  // namespace kavrel::testing
