#pragma once

#include <QDialog>
#include <QPixmap>
#include <functional>
#include <vector>

class QLabel;

namespace kavrel {

// "Обмен данными": the busy animation (AnimationImage) and "Отмена" (CancelButton) shown
// over wndMain while a device operation runs. Title bar only, fixed size; every close
// request is ignored, the session closes it.
class ExchangeWindow final : public QDialog {
  public:
    // Shows frame 0 of `frames`; `onCancel` runs on each press of "Отмена".
    ExchangeWindow(QWidget& owner, const std::vector<QPixmap>& frames,
                   std::function<void()> onCancel);

    void ShowFrame(int frame);
    int ShownFrame() const { return shownFrame_; }

    void reject() override {}

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    const std::vector<QPixmap>& frames_;
    QLabel* animationImage_;
    int shownFrame_ = 0;
};

}  // namespace kavrel
