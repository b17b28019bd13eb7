// The windows over wndMain: wndInfo, wndAbout, the operator's message boxes, and the
// exchange window as the session drives it.
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>
#include <thread>

#include "shell_fixture.h"

namespace kavrel::testing {
namespace {

using SecondaryWindowTest = ShellTest;

TEST_F(SecondaryWindowTest, InfoWindowSurvivesCloseRequestsAndMainRefusesInputUntilOk) {
    ASSERT_TRUE(ui.OpenInfoWindow());
    InfoWindow* info = ShownWindow<InfoWindow>();
    EXPECT_EQ(ui.Text(lblFirmwareVersion), "000");
    EXPECT_FALSE(info->close());
    QTest::keyClick(info, Qt::Key_Escape);
    QTest::keyClick(info, Qt::Key_F4, Qt::AltModifier);
    ui.SetMainWindowEnabled(true);  // a session ending while wndInfo is open
    Click(W(chkCountRed));
    EXPECT_EQ(std::tuple(info->isVisible(), TakesInput(ui), ui.State(chkCountRed)),
              std::tuple(true, false, 1));
    Click(info->findChild<QPushButton*>("btnInfoOk"));
    EXPECT_FALSE((ShownWindow<InfoWindow>() != nullptr));
    EXPECT_TRUE(TakesInput(ui));
}

TEST_F(SecondaryWindowTest, AboutWindowShowsSevenYellowOnBlackReadOnlyLinesUntilClosed) {
    const char* const lines =
        "Программа: Конфигуратор Kavrel\nВерсия: 4\nКласс : 2\n     +7 (000) 000-00-00\n"
        "     email: info@kavrel.example\n     www.kavrel.example\nГородок      2019";
    for (bool byOk : {true, false}) {  // closed by "Ок", then by a close request
        Click(W(btnAbout));
        ASSERT_NE(ShownWindow<AboutWindow>(), nullptr);
        EXPECT_FALSE(TakesInput(ui));
        auto* text = ShownWindow<AboutWindow>()->findChild<QTextEdit*>("edtAbout");
        QTest::keyClicks(text, "abc");
        EXPECT_EQ(text->toPlainText().toStdString(), lines);
        EXPECT_EQ(text->palette().color(QPalette::Text), QColor(Qt::yellow));
        EXPECT_EQ(text->palette().color(QPalette::Base), QColor(Qt::black));
        auto* ok = ShownWindow<AboutWindow>()->findChild<QPushButton*>("btnAboutOk");
        EXPECT_EQ(ok->text().toStdString(), "Ок");
        byOk ? Click(ok) : void(ShownWindow<AboutWindow>()->close());
        EXPECT_EQ(ShownWindow<AboutWindow>(), nullptr);
        EXPECT_TRUE(TakesInput(ui));
    }
}

TEST_F(SecondaryWindowTest, MessageBoxShowsItsIconTitleTextAndOneOkButton) {
    const std::tuple<MessageIcon, QMessageBox::Icon, const char*, const char*> cases[] = {
        {MessageIcon::Error, QMessageBox::Critical, "Ошибка", "Нет ответа\nот устройства"},
        {MessageIcon::Warning, QMessageBox::Warning, "Внимание!", "Запись невозможна."}};
    for (const auto& [icon, shown, title, text] : cases) {
        bool inspected = false;
        QTimer::singleShot(0, [&, shown = shown, title = title, text = text] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            inspected = true;
            EXPECT_EQ(std::tuple(box->icon(), box->windowTitle().toStdString(),
                                 box->text().toStdString()),
                      std::tuple(shown, title, text));
            EXPECT_EQ(box->buttons(), QList<QAbstractButton*>{box->button(QMessageBox::Ok)});
            box->done(QMessageBox::Ok);
        });
        ui.ShowMessage(icon, title, text);
        EXPECT_TRUE(inspected) << title;
    }
}

TEST_F(SecondaryWindowTest, ExchangeWindowShowsFramesFromAThreadInTurnAndReportsCancelOnce) {
    ASSERT_TRUE(ui.OpenExchangeWindow());
    ExchangeWindow* window = ShownWindow<ExchangeWindow>();
    EXPECT_EQ(window->windowTitle().toStdString(), "Обмен данными");
    EXPECT_EQ(window->size(), QSize(110, 145));
    EXPECT_LE((window->geometry().center() - ui.Main().geometry().center()).manhattanLength(), 2);
    EXPECT_FALSE(window->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(window->ShownFrame(), 0);
    auto* cancel = window->findChild<QPushButton*>("CancelButton");
    EXPECT_EQ(cancel->text().toStdString(), "Отмена");
    EXPECT_FALSE(window->close());
    // A poll takes a cancel press once; the session refuses input on wndMain meanwhile.
    ui.SetMainWindowEnabled(false);
    Click(cancel);
    Click(cancel);
    EXPECT_TRUE(ui.PollCancel());
    EXPECT_FALSE(ui.PollCancel());
    Click(cancel);  // left pending
    // Frames from the animation worker are shown only when events are processed.
    std::thread([this] { ui.ShowAnimationFrame(11); }).join();
    EXPECT_EQ(window->ShownFrame(), 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(window->findChild<QLabel*>("AnimationImage")->pixmap().toImage(),
              TestImages().animationFrames[11].toImage());
    // A frame still queued when its window closes is dropped, and so is a pending press.
    std::thread([this] { ui.ShowAnimationFrame(5); }).join();
    ui.CloseExchangeWindow();
    ASSERT_TRUE(ui.OpenExchangeWindow());
    QCoreApplication::processEvents();
    EXPECT_EQ(ShownWindow<ExchangeWindow>()->ShownFrame(), 0);
    EXPECT_FALSE(ui.PollCancel());
}

}  // namespace
}  // namespace kavrel::testing
