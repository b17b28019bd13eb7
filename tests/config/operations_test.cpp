// The device operations against a simulated unit on a pseudo-terminal, through the form in
// memory.
#include <gtest/gtest.h>

#include <string>

#include "config/operations.h"
#include "link/device_link.h"
#include "tests/config/unit_requests.h"
#include "tests/support/memory_ui.h"
#include "tests/support/scratch_folder.h"

namespace kavrel::testing {
namespace {

using Operation = void (*)(DeviceLink&);

class OperationsTest : public ::testing::Test {
  protected:
    OperationsTest() {
        // The port list names the unit as a CH340 cable; the lister there does nothing.
        folder.Write("listport.txt", "Communications Port (/dev/ttyS0)\r\nUSB-SERIAL CH340 (" +
                                         unit.SlavePath() + ")\r\n");
        folder.Write("Zorvik", "#!/bin/sh\nexit 0\n", true);
    }

    // Runs an operation from a form of its own, as right after start-up.
    void RunFresh(MemoryUi& screen, Operation operation) {
        DeviceLink fresh(screen, folder.Path());
        operation(fresh);
    }

    static void ExpectOnlyMessage(const MemoryUi& screen, MessageIcon icon,
                                  const std::string& title, const std::string& text) {
        ASSERT_EQ(screen.messages.size(), 1u);
        EXPECT_EQ(screen.messages[0].icon, icon);
        EXPECT_EQ(screen.messages[0].title, title);
        EXPECT_EQ(screen.messages[0].text, text);
    }

    ScratchFolder folder;
    sim::SimulatedUnit unit;
    MemoryUi ui;
    DeviceLink link{ui, folder.Path()};
};

TEST_F(OperationsTest, ReadOfAnUnknownModeByteChangesNothingAndGoesOn) {
    ui.SetState(Control::optAutonomous, 1);
    ui.SetValueByte(Control::optAutonomous, 2);
    unit.SetModel({{.mode = 3, .address = 9}});
    ReadSettings(link);

    EXPECT_EQ(ui.State(Control::optAutonomous), 1);
    EXPECT_EQ(ui.ValueByte(Control::optAutonomous), 2);
    EXPECT_EQ(ui.Text(Control::strAddress), "9");
    EXPECT_EQ(RequestsTo(unit), kReadRequests);
}

TEST_F(OperationsTest, ReadFailingPartWayKeepsTheSettingsAnsweredBefore) {
    unit.SetModel({{.mode = 2, .address = 17, .indication = 5, .soundOff = 1}});
    unit.AddFault({.command = 40, .kind = sim::FaultKind::NoAnswer});

    ReadSettings(link);

    EXPECT_FALSE(Received(unit, 42, 0));
    EXPECT_EQ(ui.messages.size(), 1u);  // the transaction's own report
    EXPECT_EQ(ui.State(Control::optAutonomous), 1);
    EXPECT_EQ(ui.Text(Control::strAddress), "17");
    EXPECT_EQ(ui.ValueByte(Control::chkCountGreen), 5);
    EXPECT_EQ(ui.State(Control::chkSoundOff), 0);  // never answered
    EXPECT_FALSE(ui.exchangeWindowOpen);
}

TEST_F(OperationsTest, WriteInAutonomousModeLeavesTheAddressAlone) {
    ui.SetValueByte(Control::optSlave, 2);
    ui.SetValueByte(Control::optAutonomous, 2);

    WriteSettings(link);

    const std::vector<uint8_t> expected = {46, 35, 33, 34, 36, 37, 49, 38, 41, 39, 40, 42, 43, 50};
    EXPECT_EQ(unit.LoggedCommands(), expected);
    EXPECT_TRUE(Received(unit, 35, 2));
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(OperationsTest, WriteChecksTheAddressBeforeSendingAnything) {
    const struct {
        const char* text;
        int mode;
        int sent;  // the address written, or -1 when the write is refused
    } table[] = {{"254", 1, 254}, {"", 1, 0}, {"255", 2, -1}, {"300", 2, -1}};
    for (const auto& row : table) {
        SCOPED_TRACE(row.text);
        unit.ClearLog();
        MemoryUi screen;
        screen.SetValueByte(Control::optSlave, row.mode);
        screen.SetValueByte(Control::optAutonomous, row.mode);
        screen.SetText(Control::strAddress, row.text);
        CheckAddressInput(screen);

        RunFresh(screen, WriteSettings);

        if (row.sent >= 0) {
            EXPECT_TRUE(Received(unit, 44, row.sent));
            EXPECT_TRUE(screen.messages.empty());
        } else {
            EXPECT_TRUE(unit.Log().empty());
            ExpectOnlyMessage(screen, MessageIcon::Warning, "Внимание!",
                              "Запись невозможна.\nУстановлен некорректный адрес\nИсправьте "
                              "ошибки и повторите.");
        }
    }
}

TEST_F(OperationsTest, ADifferingReadBackIsAnEepromErrorAndEndsTheVerification) {
    unit.AddFault({.command = 40, .kind = sim::FaultKind::ReadBackDiffers});

    WriteSettings(link);

    const std::vector<uint8_t> expected = {46, 35, 44, 33, 34, 36, 37, 49, 38, 41, 45, 39, 40};
    EXPECT_EQ(unit.LoggedCommands(), expected);
    ExpectOnlyMessage(ui, MessageIcon::Error, "Ошибка!", "Ошибка верификации EEPROM");
    EXPECT_FALSE(ui.exchangeWindowOpen);
}

TEST_F(OperationsTest, ARefusedCommandIsReportedOnceAndEndsTheOperation) {
    const struct {
        Operation operation;
        int refused;
        std::vector<uint8_t> commands;
    } table[] = {{WriteSettings, 37, {46, 35, 44, 33, 34, 36, 37}},
                 {RunTest, 32, {46, 32}},
                 {RunReset, 48, {46, 48}}};
    for (const auto& row : table) {
        SCOPED_TRACE(row.refused);
        unit.ClearLog();
        unit.ClearFaults();
        unit.AddFault({.command = row.refused, .kind = sim::FaultKind::Refuse, .param = 0});
        MemoryUi screen;
        RunFresh(screen, row.operation);
        EXPECT_EQ(unit.LoggedCommands(), row.commands);
        ExpectOnlyMessage(screen, MessageIcon::Error, "Ошибка",
                          "Выполнить команду не удалось!!!\nУстройство отклонило команду");
    }
    EXPECT_EQ(unit.CommitCount(), 0);
}

TEST_F(OperationsTest, AnotherDeviceClassBlocksReadWriteTestAndReset) {
    unit.SetModel({{.mode = 2, .address = 17}, 3, 12});
    for (Operation operation : {ReadSettings, WriteSettings, RunTest, RunReset}) {
        unit.ClearLog();
        MemoryUi screen;
        RunFresh(screen, operation);
        EXPECT_EQ(unit.LoggedCommands(), std::vector<uint8_t>{46});
        ExpectOnlyMessage(screen, MessageIcon::Error, "Ошибка",
                          "Конфигуратор не совместим с устройством! Класс уст. 3,а класс "
                          "конфигуратора 2");
        EXPECT_EQ(screen.Text(Control::strAddress), "0");
    }
    EXPECT_EQ(unit.CommitCount(), 0);
}

}  // namespace
}  // namespace kavrel::testing
