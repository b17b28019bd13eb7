// The real program-wide state: its dispatch table ties wndMain's editing controls to the
// form rules and btnAbout to the About window. (The device buttons and the address field
// are tested with the simulated unit.)

#include "app/configurator.h"
#include "shell_fixture.h"

namespace kavrel::testing {
namespace {

class ConfiguratorTest : public ::testing::Test {
  protected:
    ConfiguratorTest() : configurator(TestImages()) {
        configurator.Show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&ui.Main()));
    }
    QWidget* W(Control control) { return ui.Main().Widget(control); }

    Configurator configurator;
    QtUserInterface& ui = configurator.Ui();
};

TEST_F(ConfiguratorTest, EditingControlsRunTheirRules) {
    QTest::mouseClick(W(Control::optAutonomous), Qt::LeftButton, {}, QPoint(7, 8));
    EXPECT_EQ(ui.ValueByte(Control::optSlave), 2);
    EXPECT_FALSE(ui.IsEnabled(Control::strAddress));
    QTest::mouseClick(W(Control::chkCountGreen), Qt::LeftButton, {}, QPoint(7, 7));
    EXPECT_EQ(ui.ValueByte(Control::chkIndicationRuAu), 1);
    QTest::mouseClick(W(Control::optSlave), Qt::LeftButton, {}, QPoint(7, 8));
    QTest::mouseClick(W(Control::chkIndicationRuAu), Qt::LeftButton, {}, QPoint(7, 7));
    EXPECT_EQ(ui.ValueByte(Control::chkCountRed), 5);

    auto* pulseTime = static_cast<QComboBox*>(W(Control::cmbPulseTime));
    pulseTime->showPopup();
    pulseTime->view()->setCurrentIndex(pulseTime->model()->index(0, 0));
    QTest::keyClick(pulseTime->view(), Qt::Key_Return);
    EXPECT_EQ(ui.ValueByte(Control::cmbPulseTime), 255);
}

TEST_F(ConfiguratorTest, AboutButtonOpensTheAboutWindow) {
    QTest::mouseClick(W(Control::btnAbout), Qt::LeftButton);
    ASSERT_NE(ui.About(), nullptr);
    EXPECT_FALSE(ui.IsMainWindowEnabled());
}

}  // namespace
}  // namespace kavrel::testing
