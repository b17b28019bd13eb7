#include "config/handlers.h"

#include "config/form_rules.h"
#include "config/operations.h"

namespace kavrel {

void RunHandler(Handler handler, DeviceLink& link, Form& form) {
    switch (handler) {
        case Handler::ModeRule:
            return ApplyModeRule(form);
        case Handler::AddressInput:
            return CheckAddressInput(form);
        case Handler::IndicationRule:
            return ApplyIndicationRule(form);
        case Handler::PulseTimeRule:
            return ApplyPulseTimeRule(form);
        case Handler::Test:
            RunTest(link);
            return;
        case Handler::Reset:
            RunReset(link);
            return;
        case Handler::Write:
            WriteSettings(link, form);
            return;
        case Handler::Read:
            ReadSettings(link, form);
            return;
        case Handler::Info:
            ShowDeviceInfo(link, form);
            return;
        case Handler::About:
            return form.OpenAboutWindow();
    }
}

}  // namespace kavrel
