#pragma once

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "config/exact_volume.h"
#include "config/form.h"
#include "link/screen.h"

namespace kavrel::testing {

struct RecordedMessage {
    MessageIcon icon;
    std::string title, text;
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
    void SetEnabled(Control, bool) override {}  // no suite looks at a control's flag
    int ValueByte(Control c) const override { return controls_.at(c).valueByte; }
    void SetValueByte(Control c, int value) override { controls_[c].valueByte = value; }
    void SettingRead(Control c, int byte) override {
        if (c == Control::strVolume) {
            volume_.Read(byte);
        }
    }
    void VolumeByteOpened(int byte) override { volume_.Opened(byte); }
    int VolumeByteToWrite() const override {
        return volume_.ToWrite(ValueByte(Control::strVolume));
    }
    int VolumeByteToSave() const override { return volume_.ToSave(ValueByte(Control::strVolume)); }
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
        mainEnabled_ = false;
        return infoOpen_ = true;
    }
    bool IsInfoWindowOpen() const { return infoOpen_; }
    void CloseInfoWindow() { mainEnabled_ = !(infoOpen_ = false); }  // the operator's "OK"

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
    bool failWindows = false, exchangeWindowOpen = false;  // the first makes it fail to open
    std::vector<RecordedMessage> messages;
    int polls = 0;
    std::mutex framesMutex;  // the animation worker shows its frames from its own thread
    std::vector<int> frames;

  private:
    struct ControlState {
        int state = 0, valueByte = 0;
        std::string text;
    };
    std::map<Control, ControlState> controls_;
    VolumeBytes volume_;  // as the window keeps them
    bool mainEnabled_ = true, infoOpen_ = false;
    std::atomic<bool> cancelPending_ = false;
};

}  // namespace kavrel::testing
