#include "app/form_rules.h"

#include "config/settings_coding.h"
#include "link/user_interface.h"

namespace kavrel {

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
    // A disabled box counts with the state it shows.
    const int indication =
        IndicationByte(ui.State(Control::chkCountRed) == 1, ui.State(Control::chkCountGreen) == 1,
                       ui.State(Control::chkIndicationRuAu) == 1);
    for (Control box : {Control::chkCountRed, Control::chkCountGreen, Control::chkIndicationRuAu}) {
        ui.SetValueByte(box, indication);
    }
}

void ApplyPulseTimeRule(UserInterface& ui) {
    ui.SetValueByte(Control::cmbPulseTime, PulseTimeByteFromItem(ui.State(Control::cmbPulseTime)));
}

}  // namespace kavrel
