#include "app/info_window.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>

#include "app/dialog_font.h"
#include "app/window_placement.h"
#include "config/window_texts.h"

namespace kavrel {

InfoWindow::InfoWindow(QWidget& owner, std::function<void()> onOk)
    : QDialog(&owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      onOk_(std::move(onOk)) {
    setObjectName("wndInfo");
    setWindowTitle(QString::fromUtf8(texts::kInfoWindowTitle));
    setFixedSize(info_window::kClient.width, info_window::kClient.height);
    UseDialogFont(*this);
    // The four captions first, then the four values, then the button.
    for (const texts::InfoRow& row : texts::kInfoRows) {
        (new QLabel(QString::fromUtf8(row.caption), this))
            ->setGeometry(Rect(info_window::Caption(row.y)));
    }
    for (const texts::InfoRow& row : texts::kInfoRows) {
        auto* value = new QLabel(QStringLiteral("000"), this);
        value->setObjectName(row.valueName);
        value->setGeometry(Rect(info_window::Value(row.y)));
    }
    auto* ok = new QPushButton(QString::fromUtf8(info_window::kOkCaption), this);
    ok->setObjectName("btnInfoOk");
    ok->setGeometry(Rect(info_window::kOk));
    ok->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, [this] { onOk_(); });
}

QLabel* InfoWindow::ValueLabel(Control control) const {
    for (const texts::InfoRow& row : texts::kInfoRows) {
        if (row.value == control) {
            return findChild<QLabel*>(row.valueName);
        }
    }
    return nullptr;
}

void InfoWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
}

}  // namespace kavrel
