#pragma once

#include <array>

#include "config/form.h"

namespace kavrel {

class DeviceLink;

// What the operator's action on a control of wndMain runs. A front end ties each control
// of kHandlers to its user-action signal (a click, a list choice, an edit of the digit
// field or its focus change) and runs RunHandler; setting a control from code runs nothing.
enum class Handler {
    ModeRule,
    AddressInput,
    IndicationRule,
    PulseTimeRule,
    Test,
    Reset,
    Write,
    Read,
    Info,
    About,
};

struct HandlerEntry {
    Control control;
    Handler handler;
};

inline constexpr std::array<HandlerEntry, 13> kHandlers{{
    {Control::optSlave, Handler::ModeRule},
    {Control::optAutonomous, Handler::ModeRule},
    {Control::strAddress, Handler::AddressInput},
    {Control::chkCountRed, Handler::IndicationRule},
    {Control::chkCountGreen, Handler::IndicationRule},
    {Control::chkIndicationRuAu, Handler::IndicationRule},
    {Control::cmbPulseTime, Handler::PulseTimeRule},
    {Control::btnTest, Handler::Test},
    {Control::btnReset, Handler::Reset},
    {Control::btnWrite, Handler::Write},
    {Control::btnRead, Handler::Read},
    {Control::btnInfo, Handler::Info},
    {Control::btnAbout, Handler::About},
}};

void RunHandler(Handler handler, DeviceLink& link, Form& form);

}  // namespace kavrel
