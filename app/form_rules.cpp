#include "app/form_rules.h"

#include "link/user_interface.h"

namespace kavrel {
namespace {

constexpr int kModeSlave = 1;
constexpr int kModeAutonomous = 2;
constexpr int kCountRedBit = 1;
constexpr int kCountGreenBit = 2;
constexpr int kIndicationRuAuBit = 4;
constexpr int kPulseTimeOffItem = 0;
constexpr int kPulseTimeOffByte = 255;
constexpr int kPulseTimeItemToSeconds = 2;  // item k shows k + 2

}  // namespace

void ApplyModeRule(UserInterface& ui) {
    // Only the autonomous option is looked at.
    const bool autonomous = ui.State(Control::optAutonomous) == 1;
    const int mode = autonomous ? kModeAutonomous : kModeSlave;
    ui.SetValueByte(Control::optAutonomous, mode);
    ui.SetValueByte(Control::optSlave, mode);
    ui.SetEnabled(Control::strAddress, !autonomous);
    ui.SetEnabled(Control::chkIndicationRuAu, !autonomous);
}

void ApplyIndicationRule(UserInterface& ui) {
    int indication = 0;
    if (ui.State(Control::chkCountRed) == 1) {
        indication += kCountRedBit;
    }
    if (ui.State(Control::chkCountGreen) == 1) {
        indication += kCountGreenBit;
    }
    if (ui.State(Control::chkIndicationRuAu) == 1) {
        indication += kIndicationRuAuBit;
    }
    ui.SetValueByte(Control::chkCountRed, indication);
    ui.SetValueByte(Control::chkCountGreen, indication);
    ui.SetValueByte(Control::chkIndicationRuAu, indication);
}

void ApplyPulseTimeRule(UserInterface& ui) {
    const int item = ui.State(Control::cmbPulseTime);
    ui.SetValueByte(Control::cmbPulseTime,
                    item == kPulseTimeOffItem ? kPulseTimeOffByte : item + kPulseTimeItemToSeconds);
}

}  // namespace kavrel
