// The form rules as the operator meets them: real clicks and list choices on wndMain.
#include <QComboBox>
#include <QLineEdit>

#include "shell_fixture.h"

namespace kavrel::testing {
namespace {

using FormRulesTest = ShellTest;

TEST_F(FormRulesTest, AutonomousModeGreysAddressAndRuAuAndSlaveModeBringsThemBack) {
    QTest::keyClicks(W(Control::strAddress), "42");
    Click(Control::optAutonomous);
    EXPECT_EQ(ui.State(Control::optAutonomous), 1);
    EXPECT_EQ(ui.State(Control::optSlave), 0);
    EXPECT_EQ(ui.ValueByte(Control::optSlave), 2);
    EXPECT_EQ(ui.ValueByte(Control::optAutonomous), 2);
    EXPECT_FALSE(ui.IsEnabled(Control::strAddress));
    EXPECT_FALSE(ui.IsEnabled(Control::chkIndicationRuAu));

    Click(Control::optSlave);
    EXPECT_EQ(ui.State(Control::optSlave), 1);
    EXPECT_EQ(ui.State(Control::optAutonomous), 0);
    EXPECT_EQ(ui.ValueByte(Control::optSlave), 1);
    EXPECT_EQ(ui.ValueByte(Control::optAutonomous), 1);
    EXPECT_TRUE(ui.IsEnabled(Control::strAddress));
    EXPECT_TRUE(ui.IsEnabled(Control::chkIndicationRuAu));
    EXPECT_EQ(ui.Text(Control::strAddress), "042");  // typed after the "0" already there
}

TEST_F(FormRulesTest, ClickingTheSelectedOptionAgainRunsTheRuleWithTheSameResult) {
    Click(Control::optSlave);
    Click(Control::optSlave);
    EXPECT_EQ(runs[Control::optSlave], 2);
    EXPECT_EQ(ui.State(Control::optSlave), 1);
    EXPECT_EQ(ui.ValueByte(Control::optSlave), 1);
    EXPECT_TRUE(ui.IsEnabled(Control::strAddress));

    Click(Control::optAutonomous);
    Click(Control::optAutonomous);
    EXPECT_EQ(runs[Control::optAutonomous], 2);
    EXPECT_EQ(ui.State(Control::optAutonomous), 1);
    EXPECT_EQ(ui.ValueByte(Control::optSlave), 2);
    EXPECT_FALSE(ui.IsEnabled(Control::strAddress));
    EXPECT_FALSE(ui.IsEnabled(Control::chkIndicationRuAu));
}

TEST_F(FormRulesTest, GreyedRuAuBoxStillCountsWithWhatItShows) {
    Click(Control::chkIndicationRuAu);
    EXPECT_EQ(ui.ValueByte(Control::chkCountRed), 7);
    Click(Control::optAutonomous);
    Click(Control::chkCountRed);  // unchecks red while 'РУ'/'АУ' is greyed but checked
    for (Control box : {Control::chkCountRed, Control::chkCountGreen, Control::chkIndicationRuAu}) {
        EXPECT_EQ(ui.ValueByte(box), 6);
    }
    EXPECT_EQ(ui.State(Control::chkIndicationRuAu), 1);
}

struct IndicationCase {
    const char* name;
    std::vector<Control> clicks;
    int indication;
};

class IndicationRuleTest : public ShellTest,
                           public ::testing::WithParamInterface<IndicationCase> {};

TEST_P(IndicationRuleTest, AllThreeBoxesHoldTheSumOfTheCheckedBits) {
    for (Control box : GetParam().clicks) {
        Click(box);
    }
    for (Control box : {Control::chkCountRed, Control::chkCountGreen, Control::chkIndicationRuAu}) {
        EXPECT_EQ(ui.ValueByte(box), GetParam().indication);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Clicks, IndicationRuleTest,
    ::testing::Values(
        IndicationCase{"NoneChecked", {Control::chkCountRed, Control::chkCountGreen}, 0},
        IndicationCase{"GreenOnly", {Control::chkCountRed}, 2},
        IndicationCase{"RedOnly", {Control::chkCountGreen}, 1},
        IndicationCase{"RuAuOnly",
                       {Control::chkCountRed, Control::chkCountGreen, Control::chkIndicationRuAu},
                       4},
        IndicationCase{"AllThree", {Control::chkIndicationRuAu}, 7},
        IndicationCase{"RedBackOn", {Control::chkCountRed, Control::chkCountRed}, 3}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

struct PulseTimeCase {
    int item;
    int valueByte;
};

class PulseTimeRuleTest : public ShellTest, public ::testing::WithParamInterface<PulseTimeCase> {};

TEST_P(PulseTimeRuleTest, ChosenItemGivesTheNumberItShowsOr255ForOff) {
    Choose(Control::cmbPulseTime, GetParam().item);
    EXPECT_EQ(ui.State(Control::cmbPulseTime), GetParam().item);
    EXPECT_EQ(ui.ValueByte(Control::cmbPulseTime), GetParam().valueByte);
}

INSTANTIATE_TEST_SUITE_P(Items, PulseTimeRuleTest,
                         ::testing::Values(PulseTimeCase{0, 255}, PulseTimeCase{1, 3},
                                           PulseTimeCase{2, 4}, PulseTimeCase{8, 10},
                                           PulseTimeCase{17, 19}, PulseTimeCase{18, 20}),
                         [](const auto& testCase) {
                             return "Item" + std::to_string(testCase.param.item);
                         });

TEST_F(FormRulesTest, ChoosingTheSameItemAgainRunsTheRuleWithTheSameResult) {
    Choose(Control::cmbPulseTime, 0);
    Choose(Control::cmbPulseTime, 0);
    EXPECT_EQ(runs[Control::cmbPulseTime], 2);
    EXPECT_EQ(ui.ValueByte(Control::cmbPulseTime), 255);
    Choose(Control::cmbPulseTime, 8);
    EXPECT_EQ(ui.ValueByte(Control::cmbPulseTime), 10);
}

}  // namespace
}  // namespace kavrel::testing
