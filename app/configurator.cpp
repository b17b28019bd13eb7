#include "app/configurator.h"

#include "app/event_dispatch.h"
#include "config/form_rules.h"
#include "config/operations.h"

namespace kavrel {

Configurator::Configurator(ImageSet images, std::string programFolder)
    : images_(std::move(images)),
      ui_(images_),
      link_(ui_, std::move(programFolder)),
      files_(new SettingsFileMenu(ui_)) {
    const auto modeRule = [this] { ApplyModeRule(ui_); };
    const auto indicationRule = [this] { ApplyIndicationRule(ui_); };
    ConnectHandlers(ui_.Main(), {
                                    {Control::optSlave, modeRule},
                                    {Control::optAutonomous, modeRule},
                                    {Control::strAddress, [this] { CheckAddressInput(ui_); }},
                                    {Control::chkCountRed, indicationRule},
                                    {Control::chkCountGreen, indicationRule},
                                    {Control::cmbPulseTime, [this] { ApplyPulseTimeRule(ui_); }},
                                    {Control::btnTest, [this] { RunTest(link_); }},
                                    {Control::btnReset, [this] { RunReset(link_); }},
                                    {Control::btnWrite, [this] { WriteSettings(link_, ui_); }},
                                    {Control::btnRead, [this] { ReadSettings(link_, ui_); }},
                                    {Control::btnInfo, [this] { ShowDeviceInfo(link_, ui_); }},
                                    {Control::btnAbout, [this] { ui_.OpenAboutWindow(); }},
                                    {Control::chkIndicationRuAu, indicationRule},
                                });
}

void Configurator::Show() {
    ui_.Main().ShowCentredOnScreen();
}

}  // namespace kavrel
