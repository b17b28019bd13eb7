#pragma once

#include <QDialog>
#include <functional>

#include "config/form.h"

class QLabel;

namespace kavrel {

// wndInfo, "Информация об устройстве": the device's firmware version and compatibility
// class beside the configurator's own. Title bar only; every close request (Escape, Alt+F4,
// the window manager) is ignored, so only "OK" closes it, through `onOk`.
class InfoWindow final : public QDialog {
  public:
    InfoWindow(QWidget& owner, std::function<void()> onOk);

    // The value text of lblFirmwareVersion .. lblConfiguratorClass; nullptr for any other.
    QLabel* ValueLabel(Control control) const;

    void reject() override {}

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    std::function<void()> onOk_;
};

}  // namespace kavrel
