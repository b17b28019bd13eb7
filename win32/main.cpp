// kavrel-configurator.exe: reads, writes and inspects the settings of a Kavrel unit.
#include <objbase.h>
#include <windows.h>

#include <exception>
#include <memory>

#include "config/form_rules.h"
#include "config/operations.h"
#include "link/device_link.h"
#include "win32/win32_user_interface.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
        return 1;
    }
    std::unique_ptr<kavrel::Win32UserInterface> ui;
    try {
        ui = std::make_unique<kavrel::Win32UserInterface>();
    } catch (const std::exception&) {
        return 1;
    }
    kavrel::DeviceLink link(*ui);

    using kavrel::Control;
    auto& form = *ui;
    const auto modeRule = [&form] { kavrel::ApplyModeRule(form); };
    const auto indicationRule = [&form] { kavrel::ApplyIndicationRule(form); };
    ui->Connect(Control::optSlave, modeRule);
    ui->Connect(Control::optAutonomous, modeRule);
    ui->Connect(Control::strAddress, [&form] { kavrel::CheckAddressInput(form); });
    ui->Connect(Control::chkCountRed, indicationRule);
    ui->Connect(Control::chkCountGreen, indicationRule);
    ui->Connect(Control::cmbPulseTime, [&form] { kavrel::ApplyPulseTimeRule(form); });
    ui->Connect(Control::btnTest, [&link] { kavrel::RunTest(link); });
    ui->Connect(Control::btnReset, [&link] { kavrel::RunReset(link); });
    ui->Connect(Control::btnWrite, [&link, &form] { kavrel::WriteSettings(link, form); });
    ui->Connect(Control::btnRead, [&link, &form] { kavrel::ReadSettings(link, form); });
    ui->Connect(Control::btnInfo, [&link, &form] { kavrel::ShowDeviceInfo(link, form); });
    ui->Connect(Control::btnAbout, [&form] { form.OpenAboutWindow(); });
    ui->Connect(Control::chkIndicationRuAu, indicationRule);

    ui->ShowCentredOnScreen();
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        kavrel::DeliverMessage(message);
    }
    return static_cast<int>(message.wParam);
}
