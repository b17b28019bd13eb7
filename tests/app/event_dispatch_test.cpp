// Which operator actions reach which handler, and that changes made from code reach none.
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>

#include "shell_fixture.h"

namespace kavrel::testing {
namespace {

using EventDispatchTest = ShellTest;

TEST_F(EventDispatchTest, EachClickableControlRunsItsOwnHandlerOnce) {
    const Control clickable[] = {
        Control::optAutonomous,     Control::optSlave, Control::chkCountRed, Control::chkCountGreen,
        Control::chkIndicationRuAu, Control::btnTest,  Control::btnReset,    Control::btnWrite,
        Control::btnRead,           Control::btnInfo};
    for (Control control : clickable) {
        SCOPED_TRACE(static_cast<int>(control));
        const std::map<Control, int> before = runs;
        Click(control);
        for (const auto& [other, count] : runs) {
            const int previous = before.contains(other) ? before.at(other) : 0;
            EXPECT_EQ(count, previous + (other == control ? 1 : 0));
        }
    }
}

TEST_F(EventDispatchTest, AboutButtonOpensTheAboutWindow) {
    Click(Control::btnAbout);
    EXPECT_EQ(runs[Control::btnAbout], 1);
    ASSERT_NE(ui.About(), nullptr);
    EXPECT_TRUE(ui.About()->isVisible());
}

TEST_F(EventDispatchTest, AddressFieldReportsEachEditAndEachFocusChange) {
    QLineEdit* address = static_cast<QLineEdit*>(W(Control::strAddress));
    W(Control::btnRead)->setFocus();
    runs.clear();
    address->setFocus();
    EXPECT_EQ(runs[Control::strAddress], 1);  // focus gained
    QTest::keyClicks(address, "12");
    EXPECT_EQ(runs[Control::strAddress], 3);
    QTest::keyClick(address, 'x');  // refused: the text does not change
    EXPECT_EQ(runs[Control::strAddress], 3);
    QTest::keyClick(address, Qt::Key_Backspace);
    EXPECT_EQ(runs[Control::strAddress], 4);
    W(Control::btnRead)->setFocus();
    EXPECT_EQ(runs[Control::strAddress], 5);  // focus lost
}

TEST_F(EventDispatchTest, ChangesMadeFromCodeRunNoHandler) {
    ui.SetState(Control::optAutonomous, 1);
    ui.SetState(Control::optSlave, 1);
    ui.SetState(Control::chkCountRed, 0);
    ui.SetState(Control::chkCountGreen, 0);
    ui.SetState(Control::chkIndicationRuAu, 1);
    ui.SetState(Control::cmbPulseTime, 3);
    ui.SetState(Control::cmbSoundType, 2);
    ui.SetState(Control::chkSoundOff, 1);
    ui.SetText(Control::strAddress, "17");
    ui.SetText(Control::strVolume, "50");
    ui.SetEnabled(Control::strAddress, false);
    ui.SetEnabled(Control::strAddress, true);
    EXPECT_TRUE(runs.empty() || std::all_of(runs.begin(), runs.end(),
                                            [](const auto& run) { return run.second == 0; }));
    EXPECT_EQ(ui.Text(Control::strAddress), "17");
    EXPECT_EQ(ui.State(Control::cmbPulseTime), 3);
    EXPECT_EQ(ui.Text(Control::cmbPulseTime), "5");
}

TEST_F(EventDispatchTest, ClearingAnOptionFromCodeClearsOnlyIt) {
    ui.SetState(Control::optSlave, 0);
    EXPECT_EQ(ui.State(Control::optSlave), 0);
    EXPECT_EQ(ui.State(Control::optAutonomous), 0);
    ui.SetState(Control::optAutonomous, 1);
    ui.SetState(Control::optSlave, 1);
    EXPECT_EQ(ui.State(Control::optAutonomous), 0);  // still one group
}

TEST_F(EventDispatchTest, GreyedSoundControlsReportNothing) {
    Click(Control::chkSoundOff);
    Choose(Control::cmbSoundType, 2);
    EXPECT_EQ(ui.State(Control::chkSoundOff), 0);
    EXPECT_TRUE(runs.empty() || std::all_of(runs.begin(), runs.end(),
                                            [](const auto& run) { return run.second == 0; }));
}

TEST_F(EventDispatchTest, NoControlReportsWhileTheWindowRefusesInput) {
    ui.SetMainWindowEnabled(false);
    Click(Control::btnRead);
    Click(Control::optAutonomous);
    Click(Control::chkCountRed);
    EXPECT_EQ(runs[Control::btnRead], 0);
    EXPECT_EQ(runs[Control::optAutonomous], 0);
    EXPECT_EQ(runs[Control::chkCountRed], 0);
    EXPECT_EQ(ui.State(Control::optAutonomous), 0);
}

}  // namespace
}  // namespace kavrel::testing
