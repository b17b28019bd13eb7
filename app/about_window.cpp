#include "app/about_window.h"

#include <QLabel>
#include <QPushButton>
#include <QTextEdit>
#include <string>

#include "app/dialog_font.h"
#include "app/window_placement.h"
#include "config/window_texts.h"

namespace kavrel {
AboutWindow::AboutWindow(QWidget& owner, const QPixmap& banner)
    : QDialog(&owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    setObjectName("wndAbout");
    setWindowTitle(QString::fromUtf8(texts::kAboutWindowTitle));
    setFixedSize(about_window::kClient.width, about_window::kClient.height);
    UseDialogFont(*this);

    auto* picture = new QLabel(this);
    picture->setObjectName("imgAboutBanner");
    picture->setGeometry(Rect(about_window::kBanner));
    picture->setPixmap(banner);

    auto* text = new QTextEdit(this);
    text->setObjectName("edtAbout");
    text->setGeometry(Rect(about_window::kText));
    text->setReadOnly(true);
    text->setLineWrapMode(QTextEdit::NoWrap);
    text->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QPalette colours = text->palette();
    colours.setColor(QPalette::Base, Qt::black);
    colours.setColor(QPalette::Text, QColor(255, 255, 0));
    text->setPalette(colours);
    text->setTextColor(QColor(255, 255, 0));
    for (const std::string& line : texts::AboutLines()) {
        text->append(QString::fromStdString(line));
    }

    auto* ok = new QPushButton(QString::fromUtf8(about_window::kOkCaption), this);
    ok->setObjectName("btnAboutOk");
    ok->setGeometry(Rect(about_window::kOk));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace kavrel
