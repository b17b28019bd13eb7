#pragma once

#include <string>

#include "app/image_set.h"
#include "app/qt_user_interface.h"
#include "app/settings_file_menu.h"
#include "link/device_link.h"

namespace kavrel {

// The program-wide state, alive from start-up to exit: the decoded pictures, the screen
// with wndMain, and the device link built on that screen. It ties each control of wndMain
// to its handler. The program folder, where Zorvik and listport.txt live, is the
// executable's own outside the tests.
class Configurator {
  public:
    explicit Configurator(ImageSet images, std::string programFolder = ProgramFolder());

    // Shows wndMain centred on the screen.
    void Show();

    QtUserInterface& Ui() { return ui_; }
    SettingsFileMenu& Files() { return *files_; }

  private:
    ImageSet images_;
    QtUserInterface ui_;
    DeviceLink link_;
    SettingsFileMenu* files_;  // owned by wndMain
};

}  // namespace kavrel
