#include <algorithm>

#include "config/operations.h"
#include "config/volume.h"
#include "tests/config/device_fixture.h"

namespace kavrel::testing {
namespace {

using WriteSettingsTest = DeviceFixture;

void SetMode(MemoryUi& ui, int mode) {
    ui.SetValueByte(Control::optSlave, mode);
    ui.SetValueByte(Control::optAutonomous, mode);
}

void SetAddressText(MemoryUi& ui, const std::string& text) {
    ui.SetText(Control::strAddress, text);
    CheckAddressInput(ui);
}

TEST_F(WriteSettingsTest, RightAfterStartUpWritesTheStartUpValuesAndVerifies) {
    SetDevice({.mode = 2,
               .address = 40,
               .indication = 0,
               .pulseTime = 3,
               .soundOff = 1,
               .soundType = 2,
               .volume = 7});

    WriteSettings(*link);

    const std::vector<std::pair<int, int>> expected = {
        {46, 0}, {35, 1}, {44, 0}, {33, 3}, {34, 10}, {36, 0}, {37, 1}, {49, 255},
        {38, 0}, {41, 0}, {45, 0}, {39, 0}, {40, 0},  {42, 0}, {43, 0}, {50, 0}};
    EXPECT_EQ(Requests(), expected);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(unit.CommitCount(), 1);
    const sim::Settings stored = unit.Model().settings;
    EXPECT_EQ(stored.mode, 1);
    EXPECT_EQ(stored.address, 0);
    EXPECT_EQ(stored.indication, 3);
    EXPECT_EQ(stored.pulseTime, 10);
    EXPECT_EQ(stored.soundOff, 0);
    EXPECT_EQ(stored.soundType, 1);
    EXPECT_EQ(stored.volume, 255);
    ExpectSessionEnded();
    EXPECT_TRUE(ui.IsMainWindowEnabled());
}

TEST_F(WriteSettingsTest, AutonomousModeNeitherWritesNorVerifiesTheAddress) {
    SetMode(ui, 2);
    SetAddressText(ui, "12");

    WriteSettings(*link);

    const std::vector<int> expected = {46, 35, 33, 34, 36, 37, 49, 38, 41, 39, 40, 42, 43, 50};
    EXPECT_EQ(Commands(), expected);
    EXPECT_EQ(unit.Model().settings.mode, 2);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(WriteSettingsTest, AddressTextsThatPass) {
    const std::pair<std::string, int> table[] = {{"254", 254}, {"", 0}, {"17", 17}};
    for (const auto& [text, address] : table) {
        unit.ClearLog();
        SetAddressText(ui, text);
        WriteSettings(*link);
        EXPECT_TRUE(ui.messages.empty()) << '"' << text << '"';
        const auto requests = Requests();
        const auto sent = std::find_if(requests.begin(), requests.end(),
                                       [](const auto& r) { return r.first == 44; });
        ASSERT_NE(sent, requests.end()) << '"' << text << '"';
        EXPECT_EQ(sent->second, address);
        EXPECT_EQ(unit.Model().settings.address, address);
    }
}

TEST_F(WriteSettingsTest, AddressOutOfRangeBlocksBeforeAnythingIsSent) {
    const std::pair<std::string, int> table[] = {{"255", 1}, {"300", 1}, {"300", 2}, {"-1", 1}};
    for (const auto& [text, mode] : table) {
        MemoryUi screen;
        DeviceLink otherLink(screen, link->programFolder);
        SetMode(screen, mode);
        screen.SetText(Control::strAddress, text);
        CheckAddressInput(screen);

        WriteSettings(otherLink);

        EXPECT_TRUE(Commands().empty()) << '"' << text << "\" mode " << mode;
        ASSERT_EQ(screen.messages.size(), 1u);
        EXPECT_EQ(screen.messages[0].icon, MessageIcon::Warning);
        EXPECT_EQ(screen.messages[0].title, "Внимание!");
        EXPECT_FALSE(screen.exchangeWindowOpen);
        EXPECT_TRUE(screen.IsMainWindowEnabled());
    }
}

TEST_F(WriteSettingsTest, ReadBytesTravelBackUnchanged) {
    // Indication bit 3 and a sound-off byte of 2 mean nothing to the form, yet survive.
    SetDevice({.indication = 11, .soundOff = 2, .soundType = 3, .volume = 128});
    ReadSettings(*link);
    unit.SetModel({});
    unit.ClearLog();

    WriteSettings(*link);

    const auto requests = Requests();
    EXPECT_NE(std::find(requests.begin(), requests.end(), std::pair{33, 11}), requests.end());
    EXPECT_NE(std::find(requests.begin(), requests.end(), std::pair{36, 2}), requests.end());
    EXPECT_NE(std::find(requests.begin(), requests.end(), std::pair{49, 127}), requests.end());
    EXPECT_EQ(unit.Model().settings.indication, 11);
    EXPECT_EQ(unit.Model().settings.soundOff, 2);
    EXPECT_EQ(unit.Model().settings.soundType, 3);
    EXPECT_TRUE(ui.messages.empty());  // the read-back matched
}

TEST_F(WriteSettingsTest, VolumePercentsPassTheirVerification) {
    for (int percent : {0, 10, 50, 90, 100}) {
        ui.SetValueByte(Control::strVolume, percent);
        WriteSettings(*link);
        EXPECT_EQ(unit.Model().settings.volume, PercentToVolumeByte(percent)) << percent;
        EXPECT_TRUE(ui.messages.empty()) << percent;
    }
}

TEST_F(WriteSettingsTest, ARefusalIsReportedAndEndsTheWrite) {
    const struct {
        int refused;
        std::vector<int> commands;
    } table[] = {
        {37, {46, 35, 44, 33, 34, 36, 37}},
        {35, {46, 35}},
        {38, {46, 35, 44, 33, 34, 36, 37, 49, 38}},
    };
    for (const auto& row : table) {
        unit.ClearLog();
        unit.ClearFaults();
        ui.messages.clear();
        unit.AddFault({.command = row.refused, .kind = sim::FaultKind::Refuse, .param = 0});

        WriteSettings(*link);

        EXPECT_EQ(Commands(), row.commands) << "refused " << row.refused;
        ASSERT_EQ(ui.messages.size(), 1u) << "refused " << row.refused;
        EXPECT_EQ(ui.messages[0].icon, MessageIcon::Error);
        EXPECT_EQ(ui.messages[0].title, "Ошибка");
        EXPECT_EQ(ui.messages[0].text, kRefusalText);
        EXPECT_EQ(unit.CommitCount(), 0);
    }
    EXPECT_FALSE(ui.exchangeWindowOpen);
}

TEST_F(WriteSettingsTest, ADifferingReadBackIsAnEepromError) {
    unit.AddFault({.command = 40, .kind = sim::FaultKind::ReadBackDiffers});

    WriteSettings(*link);

    const std::vector<int> expected = {46, 35, 44, 33, 34, 36, 37, 49, 38, 41, 45, 39, 40};
    EXPECT_EQ(Commands(), expected);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].icon, MessageIcon::Error);
    EXPECT_EQ(ui.messages[0].title, "Ошибка!");
    EXPECT_EQ(ui.messages[0].text, "Ошибка верификации EEPROM");
    ExpectSessionEnded();
}

TEST_F(WriteSettingsTest, ClassMismatchWritesNothing) {
    SetDevice({}, 3);

    WriteSettings(*link);

    EXPECT_EQ(Commands(), std::vector<int>{46});
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, ClassMismatchText(3));
}

TEST_F(WriteSettingsTest, TheFormIsLeftAsItWas) {
    SetDevice({.mode = 2, .address = 99, .indication = 0});
    unit.AddFault({.command = 40, .kind = sim::FaultKind::ReadBackDiffers});

    WriteSettings(*link);

    EXPECT_EQ(ui.State(Control::optSlave), 1);
    EXPECT_EQ(ui.ValueByte(Control::optSlave), 1);
    EXPECT_EQ(ui.Text(Control::strAddress), "0");
    EXPECT_EQ(ui.ValueByte(Control::chkCountRed), 3);
    EXPECT_EQ(ui.ValueByte(Control::cmbPulseTime), 10);
    EXPECT_EQ(ui.Text(Control::strVolume), "100");
}

}  // namespace
}  // namespace kavrel::testing
