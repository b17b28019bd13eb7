// kavrel-configurator.exe: reads, writes and inspects the settings of a Kavrel unit.
#include <objbase.h>
#include <shellapi.h>
#include <windows.h>

#include <exception>
#include <memory>

#include "config/handlers.h"
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

    for (const kavrel::HandlerEntry& entry : kavrel::kHandlers) {
        ui->Connect(entry.control, [&link, &ui, handler = entry.handler] {
            kavrel::RunHandler(handler, link, *ui);
        });
    }

    ui->ShowCentredOnScreen();
    // A settings file given to open, as Explorer does on a double click.
    int count = 0;
    if (LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count)) {
        if (count > 1) {
            ui->Files().Open(arguments[1]);
        }
        LocalFree(arguments);
    }
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        kavrel::DeliverMessage(message);
    }
    return static_cast<int>(message.wParam);
}
