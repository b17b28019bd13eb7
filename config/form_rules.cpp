#include "config/form_rules.h"

#include "config/form.h"
#include "config/settings_coding.h"

namespace kavrel {

void ApplyModeRule(Form& form) {
    // Only the autonomous option is looked at.
    const bool autonomous = form.State(Control::optAutonomous) == 1;
    const int mode = autonomous ? kModeAutonomous : kModeSlave;
    form.SetValueByte(Control::optAutonomous, mode);
    form.SetValueByte(Control::optSlave, mode);
    form.SetEnabled(Control::strAddress, !autonomous);
    form.SetEnabled(Control::chkIndicationRuAu, !autonomous);
}

void ApplyIndicationRule(Form& form) {
    // A disabled box counts with the state it shows.
    const int indication = IndicationByte(form.State(Control::chkCountRed) == 1,
                                          form.State(Control::chkCountGreen) == 1,
                                          form.State(Control::chkIndicationRuAu) == 1);
    for (Control box : {Control::chkCountRed, Control::chkCountGreen, Control::chkIndicationRuAu}) {
        form.SetValueByte(box, indication);
    }
}

void ApplyPulseTimeRule(Form& form) {
    form.SetValueByte(Control::cmbPulseTime,
                      PulseTimeByteFromItem(form.State(Control::cmbPulseTime)));
}

}  // namespace kavrel
