#pragma once

#include <map>
#include <optional>
#include <string>

#include "config/device_settings.h"
#include "config/form.h"

namespace kavrel::cli {

// wndMain without a window: the controls with their states, texts, enabled flags and value
// bytes, starting as wndMain starts, and the information window's four texts. Changes made
// for the operator go through the same form rules as clicks in the window.
class SettingsForm : public Form {
  public:
    SettingsForm();

    int State(Control control) const override { return controls_.at(control).state; }
    void SetState(Control control, int state) override { controls_[control].state = state; }
    std::string Text(Control control) const override { return controls_.at(control).text; }
    void SetText(Control control, const std::string& text) override {
        controls_[control].text = text;
    }
    void SetEnabled(Control control, bool enabled) override {
        controls_[control].enabled = enabled;
    }
    int ValueByte(Control control) const override { return controls_.at(control).valueByte; }
    void SetValueByte(Control control, int value) override { controls_[control].valueByte = value; }
    bool OpenInfoWindow() override;
    void SettingRead(Control setting, int deviceByte) override;
    int VolumeByteToWrite() const override;

    // The settings as a complete read found them, every byte exactly; nothing before.
    std::optional<DeviceSettings> SettingsRead() const;
    // Holds `settings` as a read of them would, but every byte whole, so that a write sends
    // each one back as it is (a mode byte of 3, a volume byte of 128 included).
    void Load(const DeviceSettings& settings);

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
    std::map<Control, int> read_;    // the bytes of the latest read, by setting
    std::optional<int> volumeByte_;  // the exact byte behind strVolume's percent
};

}  // namespace kavrel::cli
