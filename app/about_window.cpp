#include "app/about_window.h"

#include <QLabel>
#include <QPushButton>
#include <QTextEdit>
#include <string>

#include "app/dialog_font.h"
#include "config/window_texts.h"

namespace kavrel {
AboutWindow::AboutWindow(QWidget& owner, const QPixmap& banner)
    : QDialog(&owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    setObjectName("wndAbout");
    setWindowTitle(QString::fromUtf8(texts::kAboutWindowTitle));
    setFixedSize(kClientWidth, kClientHeight);
    UseDialogFont(*this);

    auto* picture = new QLabel(this);
    picture->setObjectName("imgAboutBanner");
    picture->setGeometry(10, 10, 370, 70);
    picture->setPixmap(banner);

    auto* text = new QTextEdit(this);
    text->setObjectName("edtAbout");
    text->setGeometry(10, 90, 370, 150);
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

    auto* ok = new QPushButton(QStringLiteral("Ок"), this);
    ok->setObjectName("btnAboutOk");
    ok->setGeometry(156, 250, 78, 30);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace kavrel
