#pragma once

#include <QPointer>
#include <atomic>

#include "app/about_window.h"
#include "app/exchange_window.h"
#include "app/image_set.h"
#include "app/info_window.h"
#include "app/main_window.h"
#include "config/exact_volume.h"
#include "config/form.h"
#include "config/secondary_window_layout.h"
#include "link/screen.h"

namespace kavrel {

// The screen and the form of the real program: wndMain and the windows opened over it,
// reached by control name. wndMain refuses input while an operation or a secondary window
// is open; it takes input again only when neither wndInfo nor wndAbout is open.
class QtUserInterface final : public Screen, public Form {
  public:
    explicit QtUserInterface(const ImageSet& images);

    MainWindow& Main() { return main_; }

    int State(Control control) const override;
    void SetState(Control control, int state) override;
    std::string Text(Control control) const override;
    void SetText(Control control, const std::string& text) override;
    void SetEnabled(Control control, bool enabled) override;
    int ValueByte(Control control) const override;
    void SetValueByte(Control control, int value) override;
    void SettingRead(Control setting, int deviceByte) override;
    void VolumeByteOpened(int deviceByte) override { volume_.Opened(deviceByte); }
    int VolumeByteToWrite() const override;
    int VolumeByteToSave() const override;

    void SetMainWindowEnabled(bool enabled) override;

    void ShowMessage(MessageIcon icon, const std::string& title, const std::string& text) override;

    bool OpenInfoWindow() override;
    // btnInfoOk: closes wndInfo and lets wndMain take input again.
    void CloseInfoWindow();

    // btnAbout: opens wndAbout and makes wndMain refuse input until it is closed.
    void OpenAboutWindow() override;
    void CloseAboutWindow();

    bool OpenExchangeWindow() override;
    void ShowAnimationFrame(int frame) override;
    bool CloseExchangeWindow() override;
    bool PollCancel() override;

  private:
    QWidget* Find(Control control) const;

    const ImageSet& images_;
    QPointer<InfoWindow> info_;
    QPointer<AboutWindow> about_;
    QPointer<ExchangeWindow> exchange_;
    // Changes whenever the exchange window opens or closes, so that a frame posted for a
    // window that has gone is dropped.
    std::atomic<unsigned> exchangeGeneration_ = 0;
    CancelLatch cancel_;
    VolumeBytes volume_;  // behind strVolume's percent
    // Last, so it goes first: handlers it runs while closing still find everything above.
    MainWindow main_;
};

}  // namespace kavrel
