#pragma once

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "config/form.h"
#include "link/screen.h"

namespace kavrel::testing {

struct RecordedMessage {
    MessageIcon icon;
    std::string title;
    std::string text;
};

// The screen and the form in memory: the form starts as wndMain does after start-up,
// message boxes are recorded instead of shown, and a cancel press can be queued like a
// pending click.
class MemoryUi : public Screen, public Form {
  public:
    MemoryUi();

    int State(Control c) const override { return controls_.at(c).state; }
    void SetState(Control c, int state) override { controls_[c].state = state; }
    std::string Text(Control c) const override { return controls_.at(c).text; }
    void SetText(Control c, const std::string& text) override { controls_[c].text = text; }
    bool IsEnabled(Control c) const { return controls_.at(c).enabled; }
    void SetEnabled(Control c, bool enabled) override { controls_[c].enabled = enabled; }
    int ValueByte(Control c) const override { return controls_.at(c).valueByte; }
    void SetValueByte(Control c, int value) override { controls_[c].valueByte = value; }
    bool IsMainWindowEnabled() const { return mainEnabled_; }
    void SetMainWindowEnabled(bool enabled) override { mainEnabled_ = enabled && !infoOpen_; }
    void ShowMessage(MessageIcon icon, const std::string& title, const std::string& text) override {
        messages.push_back({icon, title, text});
    }

    bool OpenInfoWindow() override {
        for (Control c : {Control::lblFirmwareVersion, Control::lblDeviceClass,
                          Control::lblConfiguratorVersion, Control::lblConfiguratorClass}) {
            controls_[c].text = "000";
        }
        infoOpen_ = true;
        mainEnabled_ = false;
        return true;
    }
    bool IsInfoWindowOpen() const { return infoOpen_; }
    void CloseInfoWindow() {  // the operator's "OK"
        infoOpen_ = false;
        mainEnabled_ = true;
    }

    bool OpenExchangeWindow() override {
        if (failWindows) {
            return false;
        }
        exchangeWindowOpen = true;
        ++exchangeWindowOpenings;
        std::lock_guard lock(framesMutex_);
        frames_.assign(1, 0);
        return true;
    }
    void ShowAnimationFrame(int frame) override {
        std::lock_guard lock(framesMutex_);
        frames_.push_back(frame);
    }
    bool CloseExchangeWindow() override {
        exchangeWindowOpen = false;
        return true;
    }
    bool PollCancel() override {
        ++polls;
        return cancelPending_.exchange(false);
    }

    // --- test controls and records ---
    void PressCancel() { cancelPending_ = true; }
    bool failWindows = false;  // OpenExchangeWindow fails
    std::vector<RecordedMessage> messages;
    bool exchangeWindowOpen = false;
    int exchangeWindowOpenings = 0;
    int polls = 0;
    std::vector<int> AnimationFrames() const {
        std::lock_guard lock(framesMutex_);
        return frames_;
    }

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
