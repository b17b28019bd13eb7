// wndInfo and wndAbout over wndMain, and the operator's message boxes.
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>

#include "shell_fixture.h"

namespace kavrel::testing {
namespace {

using InfoWindowTest = ShellTest;

TEST_F(InfoWindowTest, OpensCentredOverMainWithTitleBarOnlyAndZeroValues) {
    ASSERT_TRUE(ui.OpenInfoWindow());
    InfoWindow* info = ui.Info();
    ASSERT_NE(info, nullptr);
    EXPECT_TRUE(QTest::qWaitForWindowExposed(info));
    EXPECT_TRUE(ui.IsInfoWindowOpen());
    EXPECT_EQ(info->windowTitle(), QStringLiteral("Информация об устройстве"));
    EXPECT_EQ(info->size(), QSize(253, 152));
    EXPECT_FALSE(info->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(info->windowFlags() & Qt::WindowSystemMenuHint);
    EXPECT_EQ(info->parentWidget(), &ui.Main());
    EXPECT_LE(
        (info->frameGeometry().center() - ui.Main().frameGeometry().center()).manhattanLength(), 2);
    for (Control value : {Control::lblFirmwareVersion, Control::lblDeviceClass,
                          Control::lblConfiguratorVersion, Control::lblConfiguratorClass}) {
        EXPECT_EQ(ui.Text(value), "000");
    }
    EXPECT_EQ(info->ValueLabel(Control::lblDeviceClass)->geometry(), QRect(220, 41, 25, 20));
    auto* ok = info->findChild<QPushButton*>("btnInfoOk");
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), QStringLiteral("OK"));
    EXPECT_EQ(ok->geometry(), QRect(93, 124, 69, 20));
    const QStringList captions = {
        "Версия микропрограммы устройства", "Класс совместимости устройства",
        "Версия программы конфигуратора", "Класс совместимости конфигуратора"};
    for (int row = 0; row < captions.size(); ++row) {
        bool found = false;
        for (QLabel* label : info->findChildren<QLabel*>()) {
            found = found || (label->text() == captions[row] &&
                              label->geometry() == QRect(17, 16 + 25 * row, 198, 20));
        }
        EXPECT_TRUE(found) << captions[row].toStdString();
    }
}

TEST_F(InfoWindowTest, SurvivesEveryCloseRequestAndKeepsMainRefusingInput) {
    ASSERT_TRUE(ui.OpenInfoWindow());
    InfoWindow* info = ui.Info();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(info));
    EXPECT_FALSE(info->close());
    QTest::keyClick(info, Qt::Key_Escape);
    QTest::keyClick(info, Qt::Key_F4, Qt::AltModifier);
    EXPECT_TRUE(info->isVisible());
    EXPECT_TRUE(ui.IsInfoWindowOpen());

    // The session's end asks to enable wndMain while wndInfo is still open.
    ui.SetMainWindowEnabled(true);
    EXPECT_FALSE(ui.IsMainWindowEnabled());
    Click(Control::btnInfo);
    EXPECT_EQ(runs[Control::btnInfo], 0);
    EXPECT_FALSE(ui.Main().close());
}

TEST_F(InfoWindowTest, OkClosesItAndMainTakesInputAgain) {
    ASSERT_TRUE(ui.OpenInfoWindow());
    QPointer<InfoWindow> info = ui.Info();
    Click(info->findChild<QPushButton*>("btnInfoOk"));
    EXPECT_FALSE(ui.IsInfoWindowOpen());
    EXPECT_TRUE(ui.IsMainWindowEnabled());
    EXPECT_EQ(ui.Text(Control::lblFirmwareVersion), "");  // gone with its window
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(info.isNull());
    Click(Control::btnInfo);
    EXPECT_EQ(runs[Control::btnInfo], 1);
}

using AboutWindowTest = ShellTest;

TEST_F(AboutWindowTest, ShowsBannerAndSevenYellowOnBlackLinesThatCannotBeEdited) {
    Click(Control::btnAbout);
    AboutWindow* about = ui.About();
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->windowTitle(), QStringLiteral("О программе..."));
    EXPECT_EQ(about->size(), QSize(390, 290));
    EXPECT_TRUE(about->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(about->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(about->windowFlags() & Qt::WindowMinimizeButtonHint);

    auto* banner = about->findChild<QLabel*>("imgAboutBanner");
    ASSERT_NE(banner, nullptr);
    EXPECT_EQ(banner->geometry(), QRect(10, 10, 370, 70));
    EXPECT_EQ(banner->pixmap().size(), QSize(370, 70));

    auto* text = about->findChild<QTextEdit*>("edtAbout");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->geometry(), QRect(10, 90, 370, 150));
    EXPECT_EQ(text->toPlainText(), QStringLiteral("Программа: Конфигуратор Kavrel\n"
                                                  "Версия: 4\n"
                                                  "Класс : 2\n"
                                                  "     +7 (000) 000-00-00\n"
                                                  "     email: info@kavrel.example\n"
                                                  "     www.kavrel.example\n"
                                                  "Городок      2019"));
    EXPECT_TRUE(text->isReadOnly());
    EXPECT_EQ(text->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(text->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(text->palette().color(QPalette::Base), QColor(0, 0, 0));
    // Every character of every line is drawn yellow.
    for (QTextBlock block = text->document()->begin(); block.isValid(); block = block.next()) {
        for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment) {
            EXPECT_EQ(fragment.fragment().charFormat().foreground().color(), QColor(255, 255, 0))
                << fragment.fragment().text().toStdString();
        }
    }
    QTest::keyClicks(text, "abc");
    EXPECT_FALSE(text->toPlainText().contains("abc"));

    auto* ok = about->findChild<QPushButton*>("btnAboutOk");
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), QStringLiteral("Ок"));
    EXPECT_EQ(ok->geometry(), QRect(156, 250, 78, 30));
}

TEST_F(AboutWindowTest, MainRefusesInputUntilOkClosesIt) {
    Click(Control::btnAbout);
    ASSERT_NE(ui.About(), nullptr);
    EXPECT_FALSE(ui.IsMainWindowEnabled());
    Click(Control::btnRead);
    Click(Control::btnAbout);
    EXPECT_EQ(runs[Control::btnRead], 0);
    EXPECT_EQ(runs[Control::btnAbout], 1);
    EXPECT_FALSE(ui.Main().close());

    Click(ui.About()->findChild<QPushButton*>("btnAboutOk"));
    EXPECT_EQ(ui.About(), nullptr);
    EXPECT_TRUE(ui.IsMainWindowEnabled());
}

TEST_F(AboutWindowTest, CloseBoxClosesItToo) {
    Click(Control::btnAbout);
    ASSERT_NE(ui.About(), nullptr);
    EXPECT_TRUE(ui.About()->close());
    EXPECT_EQ(ui.About(), nullptr);
    EXPECT_TRUE(ui.IsMainWindowEnabled());
    Click(Control::btnAbout);
    EXPECT_NE(ui.About(), nullptr);  // and it opens again
}

struct MessageCase {
    MessageIcon icon;
    QMessageBox::Icon shown;
    const char* title;
    const char* text;
};

class MessageBoxTest : public ShellTest, public ::testing::WithParamInterface<MessageCase> {};

TEST_P(MessageBoxTest, IsModalOverMainWithItsIconTitleTextAndOneOkButton) {
    bool inspected = false;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        inspected = true;
        EXPECT_EQ(box->icon(), GetParam().shown);
        EXPECT_EQ(box->windowTitle(), QString::fromUtf8(GetParam().title));
        EXPECT_EQ(box->text(), QString::fromUtf8(GetParam().text));
        EXPECT_EQ(box->buttons().size(), 1);
        EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
        EXPECT_EQ(box->parentWidget(), &ui.Main());
        box->button(QMessageBox::Ok)->click();
    });
    ui.ShowMessage(GetParam().icon, GetParam().title, GetParam().text);
    EXPECT_TRUE(inspected);
}

INSTANTIATE_TEST_SUITE_P(Icons, MessageBoxTest,
                         ::testing::Values(MessageCase{MessageIcon::Error, QMessageBox::Critical,
                                                       "Ошибка", "Нет ответа\nот устройства"},
                                           MessageCase{MessageIcon::Warning, QMessageBox::Warning,
                                                       "Внимание!", "Запись невозможна."}),
                         [](const auto& testCase) {
                             return testCase.param.icon == MessageIcon::Error
                                        ? std::string("Error")
                                        : std::string("Warning");
                         });

}  // namespace
}  // namespace kavrel::testing
