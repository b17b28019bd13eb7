#pragma once

#include <map>
#include <optional>
#include <string>

#include "config/form.h"

namespace kavrel {

// wndMain and wndInfo without a window: every control with its state, text, enabled flag
// and value byte, starting as wndMain starts. The command line works on it, and the tests
// of the operations. The operator's actions go through the same form rules as clicks in
// the window, and a read's bytes are kept exactly, so that a write can send back even what
// no control can show (a mode byte of 3, a volume byte of 128).
class MemoryForm : public Form {
  public:
    MemoryForm();

    int State(Control control) const override { return controls_.at(control).state; }
    void SetState(Control control, int state) override { controls_[control].state = state; }
    std::string Text(Control control) const override { return controls_.at(control).text; }
    void SetText(Control control, const std::string& text) override {
        controls_[control].text = text;
    }
    bool IsEnabled(Control control) const { return controls_.at(control).enabled; }
    void SetEnabled(Control control, bool enabled) override {
        controls_[control].enabled = enabled;
    }
    int ValueByte(Control control) const override { return controls_.at(control).valueByte; }
    void SetValueByte(Control control, int value) override { controls_[control].valueByte = value; }

    bool OpenInfoWindow() override;
    void CloseInfoWindow() { infoOpen_ = false; }  // the operator's "OK"
    bool IsInfoWindowOpen() const { return infoOpen_; }
    void OpenAboutWindow() override { aboutOpen_ = true; }
    void CloseAboutWindow() { aboutOpen_ = false; }
    bool IsAboutWindowOpen() const { return aboutOpen_; }

    void SettingRead(Control setting, int deviceByte) override;
    int VolumeByteToWrite() const override;
    // The byte the latest read got for `setting`; nothing before it got there.
    std::optional<int> ByteRead(Control setting) const;
    // Holds `deviceByte` as a read of it would, every byte whole: a write sends it back
    // as it is.
    void Hold(Control setting, int deviceByte);

    // What the operator could do in the window, each followed by its form rule.
    void SelectMode(bool slave);
    void TypeAddress(const std::string& text);
    void Check(Control box, bool checked);  // one of the three indication boxes
    void SelectPulseTime(int pulseTimeByte);

  private:
    struct ControlState {
        int state = 0;
        std::string text;
        bool enabled = true;
        int valueByte = 0;
    };
    std::map<Control, ControlState> controls_;
    std::map<Control, int> read_;  // the bytes of the latest read, by setting
    bool infoOpen_ = false, aboutOpen_ = false;
};

}  // namespace kavrel
