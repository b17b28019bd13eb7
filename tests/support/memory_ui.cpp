#include "tests/support/memory_ui.h"

#include "config/startup_form.h"

namespace kavrel::testing {

MemoryUi::MemoryUi() {
    using namespace startup;
    auto set = [this](Control c, int state, const std::string& text, int valueByte) {
        controls_[c] = ControlState{state, text, true, valueByte};
    };
    set(Control::optSlave, 1, "Ведомый", kModeByte);
    set(Control::optAutonomous, 0, "Автономный", kModeByte);
    set(Control::strAddress, 0, "0", kAddressByte);
    set(Control::chkCountRed, 1, "Вкл.отсчет по красному", kIndicationByte);
    set(Control::chkCountGreen, 1, "Вкл.отсчет по зеленому", kIndicationByte);
    set(Control::chkIndicationRuAu, 0, "Вкл.индикацию 'РУ' и 'АУ'", kIndicationByte);
    set(Control::cmbPulseTime, kPulseTimeItem, "10", kPulseTimeByte);
    set(Control::chkSoundOff, 0, "Отключить звуковое сопровождение", kSoundOffByte);
    set(Control::cmbSoundType, kSoundTypeItem, "Сигнал №1", kSoundTypeByte);
    set(Control::strVolume, 0, "100", kVolumePercent);
    for (Control c : {Control::chkSoundOff, Control::cmbSoundType, Control::strVolume}) {
        controls_[c].enabled = false;
    }
}

int MemoryUi::State(Control control) const { return controls_.at(control).state; }
void MemoryUi::SetState(Control control, int state) { controls_[control].state = state; }
std::string MemoryUi::Text(Control control) const { return controls_.at(control).text; }
void MemoryUi::SetText(Control control, const std::string& text) {
    controls_[control].text = text;
}
bool MemoryUi::IsEnabled(Control control) const { return controls_.at(control).enabled; }
void MemoryUi::SetEnabled(Control control, bool enabled) { controls_[control].enabled = enabled; }
int MemoryUi::ValueByte(Control control) const { return controls_.at(control).valueByte; }
void MemoryUi::SetValueByte(Control control, int value) { controls_[control].valueByte = value; }

void MemoryUi::ShowMessage(MessageIcon icon, const std::string& title, const std::string& text) {
    messages.push_back({icon, title, text});
    if (onMessage) {
        onMessage(messages.back());
    }
}

bool MemoryUi::OpenInfoWindow() {
    if (failWindows) {
        return false;
    }
    for (Control c : {Control::lblFirmwareVersion, Control::lblDeviceClass,
                      Control::lblConfiguratorVersion, Control::lblConfiguratorClass}) {
        controls_[c].text = "000";
    }
    infoOpen_ = true;
    mainEnabled_ = false;
    return true;
}

bool MemoryUi::OpenExchangeWindow() {
    if (failWindows) {
        return false;
    }
    exchangeWindowOpen = true;
    ++exchangeWindowOpenings;
    std::lock_guard lock(framesMutex_);
    frames_.assign(1, 0);
    return true;
}

void MemoryUi::ShowAnimationFrame(int frame) {
    std::lock_guard lock(framesMutex_);
    frames_.push_back(frame);
}

bool MemoryUi::CloseExchangeWindow() {
    exchangeWindowOpen = false;
    return true;
}

bool MemoryUi::PollCancel() {
    ++polls;
    return cancelPending_.exchange(false);
}

std::vector<int> MemoryUi::AnimationFrames() const {
    std::lock_guard lock(framesMutex_);
    return frames_;
}

}  // namespace kavrel::testing
