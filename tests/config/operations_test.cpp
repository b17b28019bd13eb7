// The device operations against a simulated unit on a pseudo-terminal, through the form in
// memory.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "config/operations.h"
#include "link/device_link.h"
#include "tests/config/unit_requests.h"
#include "tests/support/memory_ui.h"
#include "tests/support/port_probe.h"
#include "tests/support/scratch_folder.h"

namespace kavrel::testing {
namespace {

using Operation = OperationResult (*)(DeviceLink&, Form&);
const Operation kRead = ReadSettings;
const Operation kWrite = WriteSettings;
const Operation kInfo = ShowDeviceInfo;
const Operation kTest = [](DeviceLink& link, Form&) { return RunTest(link); };
const Operation kReset = [](DeviceLink& link, Form&) { return RunReset(link); };

class OperationsTest : public ::testing::Test {
  protected:
    OperationsTest() {
        // The port list names the unit as a CH340 cable; the lister there does nothing.
        folder.Write("listport.txt", "USB-SERIAL CH340 (" + unit.SlavePath() + ")\r\n");
        folder.Write("Zorvik", "#!/bin/sh\nexit 0\n", true);
    }

    void ExpectOnlyMessage(MessageIcon icon, const std::string& title, const std::string& text) {
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].icon, icon);
        EXPECT_EQ(ui.messages[0].title, title);
        EXPECT_EQ(ui.messages[0].text, text);
    }

    ScratchFolder folder;
    sim::SimulatedUnit unit;
    MemoryUi ui;
    DeviceLink link{ui, folder.Path()};
};

TEST_F(OperationsTest, ReadIgnoresAModeByteOf3AndKeepsWhatWasAnsweredBeforeAFailure) {
    ui.SetState(Control::optAutonomous, 1);  // not the start-up values, so a change shows
    ui.SetValueByte(Control::optAutonomous, 2);
    unit.SetModel({{.mode = 3, .address = 17, .indication = 5, .soundOff = 1}});
    unit.AddFault({.command = 40, .kind = sim::FaultKind::NoAnswer});

    EXPECT_EQ(ReadSettings(link, ui), OperationResult::NoAnswer);

    EXPECT_EQ(ui.State(Control::optAutonomous), 1);
    EXPECT_EQ(ui.ValueByte(Control::optAutonomous), 2);
    EXPECT_EQ(ui.Text(Control::strAddress), "17");
    EXPECT_EQ(ui.ValueByte(Control::chkCountGreen), 5);
    EXPECT_EQ(ui.State(Control::chkSoundOff), 0);  // never asked for
    EXPECT_EQ(ui.messages.size(), 1u);             // the transaction's own report
}

TEST_F(OperationsTest, WriteInAutonomousModeLeavesTheAddressAlone) {
    ui.SetValueByte(Control::optSlave, 2);
    ui.SetValueByte(Control::optAutonomous, 2);

    WriteSettings(link, ui);

    const std::vector<uint8_t> expected = {46, 35, 33, 34, 36, 37, 49, 38, 41, 39, 40, 42, 43, 50};
    EXPECT_EQ(unit.LoggedCommands(), expected);
    EXPECT_TRUE(Received(unit, 35, 2));
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(OperationsTest, WriteChecksTheAddressBeforeSendingAnything) {
    // Mode, text, and the address written or -1 when the write is refused.
    for (const auto& [mode, text, sent] : {std::tuple{1, "254", 254},
                                           {1, "", 0},
                                           {2, "255", -1},
                                           {2, "300", -1},
                                           {1, "1234567890123456789012345678901234567890", -1}}) {
        SCOPED_TRACE(text);
        unit.ClearLog();
        ui.messages.clear();
        ui.SetValueByte(Control::optSlave, mode);
        ui.SetValueByte(Control::optAutonomous, mode);
        ui.SetText(Control::strAddress, text);
        CheckAddressInput(ui);

        const OperationResult result = WriteSettings(link, ui);

        EXPECT_EQ(result, sent >= 0 ? OperationResult::Ok : OperationResult::InvalidAddress);
        if (sent >= 0) {
            EXPECT_TRUE(Received(unit, 44, sent));
        } else {
            EXPECT_EQ(ui.ValueByte(Control::strAddress), 255);
            EXPECT_TRUE(unit.Log().empty());
            ExpectOnlyMessage(MessageIcon::Warning, "Внимание!",
                              "Запись невозможна.\nУстановлен некорректный адрес\nИсправьте "
                              "ошибки и повторите.");
        }
    }
}

TEST_F(OperationsTest, ADifferingReadBackIsAnEepromErrorAndEndsTheVerification) {
    unit.AddFault({.command = 40, .kind = sim::FaultKind::ReadBackDiffers});

    EXPECT_EQ(WriteSettings(link, ui), OperationResult::VerificationFailed);

    const std::vector<uint8_t> expected = {46, 35, 44, 33, 34, 36, 37, 49, 38, 41, 45, 39, 40};
    EXPECT_EQ(unit.LoggedCommands(), expected);
    ExpectOnlyMessage(MessageIcon::Error, "Ошибка!", "Ошибка верификации EEPROM");
}

TEST_F(OperationsTest, ARefusedCommandIsReportedOnceAndEndsTheOperation) {
    // Each operation with the commands it sends, the last one refused.
    // Any data byte but 26 is a refusal, the commit's included.
    const std::tuple<Operation, std::vector<uint8_t>, int> table[] = {
        {kWrite, {46, 35, 44, 33, 34, 36, 37}, 0},
        {kWrite, {46, 35, 44, 33, 34, 36, 37, 49, 38}, 27},
        {kTest, {46, 32}, 25},
        {kReset, {46, 48}, 255}};
    for (const auto& [operation, commands, answer] : table) {
        SCOPED_TRACE(commands.back());
        unit.ClearLog();
        unit.ClearFaults();
        unit.AddFault(
            {.command = commands.back(), .kind = sim::FaultKind::Refuse, .param = answer});
        ui.messages.clear();
        EXPECT_EQ(operation(link, ui), OperationResult::Refused);
        EXPECT_EQ(unit.LoggedCommands(), commands);
        ExpectOnlyMessage(MessageIcon::Error, "Ошибка",
                          "Выполнить команду не удалось!!!\nУстройство отклонило команду");
    }
    EXPECT_EQ(unit.CommitCount(), 0);
}

TEST_F(OperationsTest, AnotherDeviceClassBlocksReadWriteTestAndReset) {
    unit.SetModel({{.mode = 2, .address = 17}, 3, 12});
    for (Operation operation : {kRead, kWrite, kTest, kReset}) {
        unit.ClearLog();
        ui.messages.clear();
        EXPECT_EQ(operation(link, ui), OperationResult::Incompatible);
        EXPECT_EQ(unit.LoggedCommands(), std::vector<uint8_t>{46});
        ExpectOnlyMessage(MessageIcon::Error, "Ошибка",
                          "Конфигуратор не совместим с устройством! Класс уст. 3,а класс "
                          "конфигуратора 2");
    }
    EXPECT_EQ(unit.CommitCount(), 0);
}

// Every answer is 90 bytes of noise: each operation stops at its first command with one
// box, and nothing on the form or in the unit changes.
TEST_F(OperationsTest, AUnitAnsweringNoiseStopsEveryOperationAtItsFirstCommand) {
    unit.AddFault({.kind = sim::FaultKind::Noise, .param = 90});
    const std::string textBefore = ui.Text(Control::strAddress);
    for (Operation operation : {kRead, kWrite, kInfo, kTest, kReset}) {
        unit.ClearLog();
        ui.messages.clear();
        EXPECT_EQ(operation(link, ui), OperationResult::BadAnswer);
        EXPECT_EQ(unit.LoggedCommands().size(), 3u);  // three attempts of one request
        ExpectOnlyMessage(MessageIcon::Error, "Ошибка",
                          FailureText(TransactionResult::BadStartByte));
        EXPECT_TRUE(IsPortFree(unit.SlavePath()));
    }
    EXPECT_FALSE(ui.IsInfoWindowOpen());
    EXPECT_EQ(ui.Text(Control::strAddress), textBefore);
    EXPECT_EQ(unit.CommitCount(), 0);
}

}  // namespace
}  // namespace kavrel::testing
