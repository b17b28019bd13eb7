// The exchange window as the session drives it: placement, look, frames posted from the
// animation worker, and the cancel press that a poll takes.
#include <QLabel>
#include <QPushButton>
#include <thread>

#include "shell_fixture.h"

namespace kavrel::testing {
namespace {

class ExchangeWindowTest : public ShellTest {
  protected:
    QImage ShownPicture() {
        return ui.Exchange()->findChild<QLabel*>("AnimationImage")->pixmap().toImage();
    }
    QImage Frame(int index) {
        return TestImages().animationFrames[static_cast<std::size_t>(index)].toImage();
    }
};

TEST_F(ExchangeWindowTest, OpensCentredOverMainWithTitleFrameZeroAndCancel) {
    ASSERT_TRUE(ui.OpenExchangeWindow());
    ExchangeWindow* window = ui.Exchange();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Обмен данными"));
    EXPECT_EQ(window->size(), QSize(110, 145));
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    const Qt::WindowFlags flags = window->windowFlags();
    EXPECT_FALSE(flags & (Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowMaximizeButtonHint | Qt::WindowSystemMenuHint));
    EXPECT_EQ(window->parentWidget(), &ui.Main());

    const QRect main = ui.Main().frameGeometry();
    const QRect outer = window->frameGeometry();
    EXPECT_LE(std::abs(outer.left() - (main.left() + (main.width() - outer.width()) / 2)), 1);
    EXPECT_LE(std::abs(outer.top() - (main.top() + (main.height() - outer.height()) / 2)), 1);

    auto* picture = window->findChild<QLabel*>("AnimationImage");
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->geometry(), QRect(5, 5, 100, 100));
    EXPECT_EQ(ShownPicture(), Frame(0));
    auto* cancel = window->findChild<QPushButton*>("CancelButton");
    ASSERT_NE(cancel, nullptr);
    EXPECT_EQ(cancel->text(), QStringLiteral("Отмена"));
    EXPECT_EQ(cancel->geometry(), QRect(5, 110, 100, 30));
}

TEST_F(ExchangeWindowTest, PlacedAtTheScreenEdgeWhenMainIsPartlyOffScreen) {
    ui.Main().move(-300, -250);
    ASSERT_TRUE(ui.OpenExchangeWindow());
    EXPECT_EQ(ui.Exchange()->frameGeometry().topLeft(), QPoint(0, 0));
}

TEST_F(ExchangeWindowTest, IgnoresCloseRequestsAndLeavesMainAsItWas) {
    ASSERT_TRUE(ui.OpenExchangeWindow());
    EXPECT_TRUE(ui.IsMainWindowEnabled());  // the session, not the window, disables it
    EXPECT_FALSE(ui.Exchange()->close());
    QTest::keyClick(ui.Exchange(), Qt::Key_Escape);
    EXPECT_TRUE(ui.Exchange()->isVisible());
    EXPECT_TRUE(ui.CloseExchangeWindow());
    EXPECT_EQ(ui.Exchange(), nullptr);
    EXPECT_TRUE(ui.IsMainWindowEnabled());
}

TEST_F(ExchangeWindowTest, FramesFromTheWorkerAppearOnlyWhenEventsAreProcessed) {
    ASSERT_TRUE(ui.OpenExchangeWindow());
    // The worker's call returns although this thread is busy joining it.
    std::thread worker([this] {
        ui.ShowAnimationFrame(1);
        ui.ShowAnimationFrame(11);
    });
    worker.join();
    EXPECT_EQ(ui.Exchange()->ShownFrame(), 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(ui.Exchange()->ShownFrame(), 11);
    EXPECT_EQ(ShownPicture(), Frame(11));
    ui.ShowAnimationFrame(0);
    QCoreApplication::processEvents();
    EXPECT_EQ(ShownPicture(), Frame(0));
}

TEST_F(ExchangeWindowTest, FramesPostedForAClosedWindowAreDropped) {
    ASSERT_TRUE(ui.OpenExchangeWindow());
    std::thread([this] { ui.ShowAnimationFrame(5); }).join();
    ui.CloseExchangeWindow();
    ASSERT_TRUE(ui.OpenExchangeWindow());
    QCoreApplication::processEvents();
    EXPECT_EQ(ui.Exchange()->ShownFrame(), 0);
    ui.CloseExchangeWindow();
    ui.ShowAnimationFrame(7);  // no window at all
    QCoreApplication::processEvents();
    EXPECT_EQ(ui.Exchange(), nullptr);
}

TEST_F(ExchangeWindowTest, PollTakesAPendingCancelPressOnce) {
    ASSERT_TRUE(ui.OpenExchangeWindow());
    EXPECT_FALSE(ui.PollCancel());
    // A press still waiting in the event queue is taken by the poll's one pass.
    auto* cancel = ui.Exchange()->findChild<QPushButton*>("CancelButton");
    QMetaObject::invokeMethod(cancel, &QPushButton::click, Qt::QueuedConnection);
    EXPECT_TRUE(ui.PollCancel());
    EXPECT_FALSE(ui.PollCancel());
    Click(cancel);
    Click(cancel);
    EXPECT_TRUE(ui.PollCancel());
    EXPECT_FALSE(ui.PollCancel());
}

TEST_F(ExchangeWindowTest, OpeningForgetsAPressOfTheLastSession) {
    ASSERT_TRUE(ui.OpenExchangeWindow());
    Click(ui.Exchange()->findChild<QPushButton*>("CancelButton"));
    ui.CloseExchangeWindow();
    ASSERT_TRUE(ui.OpenExchangeWindow());
    EXPECT_FALSE(ui.PollCancel());
}

TEST_F(ExchangeWindowTest, CancelStaysUsableWhileMainRefusesInput) {
    ASSERT_TRUE(ui.OpenExchangeWindow());
    ui.SetMainWindowEnabled(false);
    Click(ui.Exchange()->findChild<QPushButton*>("CancelButton"));
    EXPECT_TRUE(ui.PollCancel());
}

}  // namespace
}  // namespace kavrel::testing
