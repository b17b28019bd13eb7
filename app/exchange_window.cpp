#include "app/exchange_window.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>

#include "app/dialog_font.h"
#include "app/window_placement.h"
#include "config/window_texts.h"

namespace kavrel {

ExchangeWindow::ExchangeWindow(QWidget& owner, const std::vector<QPixmap>& frames,
                               std::function<void()> onCancel)
    : QDialog(&owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      frames_(frames),
      animationImage_(new QLabel(this)) {
    setObjectName("ExchangeWindow");
    setWindowTitle(QString::fromUtf8(texts::kExchangeWindowTitle));
    setFixedSize(exchange_window::kClient.width, exchange_window::kClient.height);
    UseDialogFont(*this);

    animationImage_->setObjectName("AnimationImage");
    animationImage_->setGeometry(Rect(exchange_window::kAnimation));
    ShowFrame(0);

    auto* cancel = new QPushButton(QString::fromUtf8(exchange_window::kCancelCaption), this);
    cancel->setObjectName("CancelButton");
    cancel->setGeometry(Rect(exchange_window::kCancel));
    cancel->setAutoDefault(false);
    connect(cancel, &QPushButton::clicked, this, [onCancel = std::move(onCancel)] { onCancel(); });
}

void ExchangeWindow::ShowFrame(int frame) {
    if (frame < 0 || frame >= static_cast<int>(frames_.size())) {
        return;
    }
    shownFrame_ = frame;
    animationImage_->setPixmap(frames_[static_cast<std::size_t>(frame)]);
}

void ExchangeWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
}

}  // namespace kavrel
