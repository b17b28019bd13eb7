#include <algorithm>

#include "config/operations.h"
#include "tests/config/device_fixture.h"

namespace kavrel::testing {
namespace {

using ReadSettingsTest = DeviceFixture;

bool Sent(const std::vector<int>& commands, int command) {
    return std::find(commands.begin(), commands.end(), command) != commands.end();
}

TEST_F(ReadSettingsTest, FetchesEverySettingInWireOrderWithValueZero) {
    SetDevice({.mode = 2,
               .address = 17,
               .indication = 4,
               .pulseTime = 255,
               .soundOff = 1,
               .soundType = 3,
               .volume = 128});
    ReadSettings(*link);

    const std::vector<std::pair<int, int>> expected = {{46, 0}, {51, 0}, {41, 0}, {45, 0}, {39, 0},
                                                       {40, 0}, {42, 0}, {43, 0}, {50, 0}};
    EXPECT_EQ(Requests(), expected);
    EXPECT_TRUE(ui.messages.empty());
    ExpectSessionEnded();
    EXPECT_TRUE(ui.IsMainWindowEnabled());

    EXPECT_EQ(ui.State(Control::optSlave), 0);
    EXPECT_EQ(ui.State(Control::optAutonomous), 1);
    EXPECT_EQ(ui.ValueByte(Control::optSlave), 2);
    EXPECT_EQ(ui.ValueByte(Control::optAutonomous), 2);
    // The address is read in autonomous mode too, into a disabled field.
    EXPECT_EQ(ui.Text(Control::strAddress), "17");
    EXPECT_EQ(ui.ValueByte(Control::strAddress), 17);
    EXPECT_FALSE(ui.IsEnabled(Control::strAddress));
    EXPECT_FALSE(ui.IsEnabled(Control::chkIndicationRuAu));
    EXPECT_EQ(ui.State(Control::chkCountRed), 0);
    EXPECT_EQ(ui.State(Control::chkCountGreen), 0);
    EXPECT_EQ(ui.State(Control::chkIndicationRuAu), 1);
    for (Control box : {Control::chkCountRed, Control::chkCountGreen, Control::chkIndicationRuAu}) {
        EXPECT_EQ(ui.ValueByte(box), 4);
    }
    EXPECT_EQ(ui.State(Control::cmbPulseTime), 0);  // "Выкл."
    EXPECT_EQ(ui.ValueByte(Control::cmbPulseTime), 255);
    EXPECT_EQ(ui.State(Control::chkSoundOff), 1);
    EXPECT_EQ(ui.ValueByte(Control::chkSoundOff), 1);
    EXPECT_EQ(ui.State(Control::cmbSoundType), 2);
    EXPECT_EQ(ui.ValueByte(Control::cmbSoundType), 3);
    EXPECT_EQ(ui.Text(Control::strVolume), "50");
    EXPECT_EQ(ui.ValueByte(Control::strVolume), 50);
}

TEST_F(ReadSettingsTest, SlaveModeEnablesWhatAutonomousModeHadDisabled) {
    // As the form leaves it after the operator picked "Автономный".
    ui.SetState(Control::optSlave, 0);
    ui.SetState(Control::optAutonomous, 1);
    ui.SetValueByte(Control::optSlave, 2);
    ui.SetValueByte(Control::optAutonomous, 2);
    ui.SetEnabled(Control::strAddress, false);
    ui.SetEnabled(Control::chkIndicationRuAu, false);
    SetDevice({.mode = 1, .address = 254});

    ReadSettings(*link);

    EXPECT_EQ(ui.State(Control::optSlave), 1);
    EXPECT_EQ(ui.State(Control::optAutonomous), 0);
    EXPECT_EQ(ui.ValueByte(Control::optSlave), 1);
    EXPECT_EQ(ui.ValueByte(Control::optAutonomous), 1);
    EXPECT_TRUE(ui.IsEnabled(Control::strAddress));
    EXPECT_TRUE(ui.IsEnabled(Control::chkIndicationRuAu));
    EXPECT_EQ(ui.Text(Control::strAddress), "254");
}

TEST_F(ReadSettingsTest, UnknownModeChangesNothingAndTheReadGoesOn) {
    ui.SetEnabled(Control::chkIndicationRuAu, false);
    SetDevice({.mode = 3, .address = 9});

    ReadSettings(*link);

    EXPECT_EQ(ui.State(Control::optSlave), 1);
    EXPECT_EQ(ui.State(Control::optAutonomous), 0);
    EXPECT_EQ(ui.ValueByte(Control::optSlave), 1);
    EXPECT_EQ(ui.ValueByte(Control::optAutonomous), 1);
    EXPECT_TRUE(ui.IsEnabled(Control::strAddress));
    EXPECT_FALSE(ui.IsEnabled(Control::chkIndicationRuAu));
    EXPECT_EQ(ui.Text(Control::strAddress), "9");
    EXPECT_EQ(Commands().size(), 9u);
}

TEST_F(ReadSettingsTest, BytesOutsideTheListsSelectNoItemButKeepTheByte) {
    SetDevice({.indication = 11, .pulseTime = 21, .soundOff = 2, .soundType = 5, .volume = 0});

    ReadSettings(*link);

    EXPECT_EQ(ui.State(Control::chkCountRed), 1);
    EXPECT_EQ(ui.State(Control::chkCountGreen), 1);
    EXPECT_EQ(ui.State(Control::chkIndicationRuAu), 0);
    EXPECT_EQ(ui.ValueByte(Control::chkCountRed), 11);  // bit 3 travels along
    EXPECT_EQ(ui.State(Control::cmbPulseTime), -1);
    EXPECT_EQ(ui.ValueByte(Control::cmbPulseTime), 21);
    EXPECT_EQ(ui.State(Control::chkSoundOff), 0);
    EXPECT_EQ(ui.ValueByte(Control::chkSoundOff), 2);
    EXPECT_EQ(ui.State(Control::cmbSoundType), -1);
    EXPECT_EQ(ui.ValueByte(Control::cmbSoundType), 5);
    EXPECT_EQ(ui.Text(Control::strVolume), "0");
    EXPECT_EQ(ui.ValueByte(Control::strVolume), 0);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(ReadSettingsTest, ClassMismatchStopsBeforeAnySetting) {
    SetDevice({.mode = 2, .address = 17}, 3);

    ReadSettings(*link);

    EXPECT_EQ(Commands(), std::vector<int>{46});
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].icon, MessageIcon::Error);
    EXPECT_EQ(ui.messages[0].title, "Ошибка");
    EXPECT_EQ(ui.messages[0].text, ClassMismatchText(3));
    EXPECT_EQ(ui.State(Control::optSlave), 1);
    EXPECT_EQ(ui.Text(Control::strAddress), "0");
    ExpectSessionEnded();
}

TEST_F(ReadSettingsTest, FailurePartWayKeepsTheSettingsAnsweredBefore) {
    SetDevice({.mode = 2, .address = 17, .indication = 5, .pulseTime = 20, .soundOff = 1});
    unit.AddFault({.command = 40, .kind = sim::FaultKind::NoAnswer});

    ReadSettings(*link);

    ASSERT_EQ(ui.messages.size(), 1u);  // the transaction's own report
    EXPECT_EQ(ui.messages[0].icon, MessageIcon::Error);
    const std::vector<int> commands = Commands();
    EXPECT_TRUE(Sent(commands, 40));
    for (int skipped : {42, 43, 50}) {
        EXPECT_FALSE(Sent(commands, skipped)) << skipped;
    }
    EXPECT_EQ(ui.State(Control::optAutonomous), 1);
    EXPECT_EQ(ui.Text(Control::strAddress), "17");
    EXPECT_EQ(ui.ValueByte(Control::chkCountGreen), 5);
    EXPECT_EQ(ui.State(Control::cmbPulseTime), 8);  // still "10"
    EXPECT_EQ(ui.ValueByte(Control::cmbPulseTime), 10);
    EXPECT_EQ(ui.ValueByte(Control::chkSoundOff), 0);
    ExpectSessionEnded();
}

}  // namespace
}  // namespace kavrel::testing
