#include "app/about_window.h"

#include <QLabel>
#include <QPushButton>
#include <QTextEdit>

#include "config/commands.h"

#include "app/dialog_font.h"

namespace kavrel {
AboutWindow::AboutWindow(QWidget& owner, const QPixmap& banner)
    : QDialog(&owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    setObjectName("wndAbout");
    setWindowTitle(QStringLiteral("О программе..."));
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
    const QString lines[] = {
        QStringLiteral("Программа: Конфигуратор Kavrel"),
        QStringLiteral("Версия: %1")
            .arg(QString::fromUtf8(CONFIGURATOR_VERSION.data(),
                                   static_cast<qsizetype>(CONFIGURATOR_VERSION.size()))),
        QStringLiteral("Класс : %1").arg(CONFIGURATOR_CLASS),
        QStringLiteral("     +7 (000) 000-00-00"),
        QStringLiteral("     email: info@kavrel.example"),
        QStringLiteral("     www.kavrel.example"),
        QStringLiteral("Городок      2019"),
    };
    for (const QString& line : lines) {
        text->append(line);
    }

    auto* ok = new QPushButton(QStringLiteral("Ок"), this);
    ok->setObjectName("btnAboutOk");
    ok->setGeometry(156, 250, 78, 30);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace kavrel
