#include "app/exchange_window.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>

#include "app/dialog_font.h"
#include "config/window_texts.h"

namespace kavrel {

ExchangeWindow::ExchangeWindow(QWidget& owner, const std::vector<QPixmap>& frames,
                               std::function<void()> onCancel)
    : QDialog(&owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      frames_(frames),
      animationImage_(new QLabel(this)) {
    setObjectName("ExchangeWindow");
    setWindowTitle(QString::fromUtf8(texts::kExchangeWindowTitle));
    setFixedSize(kClientWidth, kClientHeight);
    UseDialogFont(*this);

    animationImage_->setObjectName("AnimationImage");
    animationImage_->setGeometry(5, 5, 100, 100);
    ShowFrame(0);

    auto* cancel = new QPushButton(QStringLiteral("Отмена"), this);
    cancel->setObjectName("CancelButton");
    cancel->setGeometry(5, 110, 100, 30);
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
