// The device operations against a simulated unit on a pseudo-terminal, through the form in
// memory.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>

#include "config/operations.h"
#include "link/device_link.h"
#include "link/transaction_result.h"
#include "tests/support/memory_ui.h"
#include "tests/support/port_probe.h"
#include "tests/support/scratch_folder.h"
#include "tools/kavrel-sim/simulated_unit.h"

namespace kavrel::testing {
namespace {

using Operation = OperationResult (*)(DeviceLink&, Form&);
const Operation kRead = ReadSettings;
const Operation kWrite = WriteSettings;
const Operation kInfo = ShowDeviceInfo;
const Operation kTest = [](DeviceLink& link, Form&) { return RunTest(link); };
const Operation kReset = [](DeviceLink& link, Form&) { return RunReset(link); };

// The icon, title and text of a message box.
using Box = std::tuple<MessageIcon, std::string, std::string>;

class OperationsTest : public ::testing::Test {
  protected:
    OperationsTest() {
        // The port list names the unit as a CH340 cable; the lister there does nothing.
        folder.Write("listport.txt", "USB-SERIAL CH340 (" + unit.SlavePath() + ")\r\n");
        folder.Write("Zorvik", "#!/bin/sh\nexit 0\n", true);
    }

    std::vector<Box> Boxes() const {
        std::vector<Box> boxes;
        for (const RecordedMessage& message : ui.messages) {
            boxes.emplace_back(message.icon, message.title, message.text);
        }
        return boxes;
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

// In autonomous mode the address is checked but not sent.
TEST_F(OperationsTest, WriteInAutonomousModeRefusesAnInvalidAddressAndSendsNoValidOne) {
    ui.SetValueByte(Control::optSlave, 2);
    ui.SetValueByte(Control::optAutonomous, 2);
    for (const char* address : {"255", "17"}) {  // the first refused before anything is sent
        ui.SetText(Control::strAddress, address);
        CheckAddressInput(ui);
        WriteSettings(link, ui);
    }
    const std::vector<uint8_t> expected = {46, 35, 33, 34, 36, 37, 49, 38, 41, 39, 40, 42, 43, 50};
    EXPECT_EQ(unit.LoggedCommands(), expected);
    EXPECT_EQ(unit.Log()[1].value, 2);  // the mode
    const Box invalidAddress{MessageIcon::Warning, "Внимание!",
                             "Запись невозможна.\nУстановлен некорректный адрес\nИсправьте "
                             "ошибки и повторите."};
    EXPECT_EQ(Boxes(), std::vector{invalidAddress});
}

// Another device class, a refusal (any data byte but 26, the commit's included), noise
// (three attempts of the first request) or a differing read-back: one box, the operation
// ends there, the port is free again and the form keeps what it showed.
TEST_F(OperationsTest, AFailureIsReportedOnceAndEndsTheOperation) {
    using enum sim::FaultKind;
    const Box otherClass{MessageIcon::Error, "Ошибка",
                         "Конфигуратор не совместим с устройством! Класс уст. 3,а класс "
                         "конфигуратора 2"};
    const Box refused{MessageIcon::Error, "Ошибка",
                      "Выполнить команду не удалось!!!\n"
                      "Устройство отклонило команду"};
    const Box noise{MessageIcon::Error, FailureTitle(TransactionResult::BadStartByte),
                    FailureText(TransactionResult::BadStartByte)};
    const Box eeprom{MessageIcon::Error, "Ошибка!", "Ошибка верификации EEPROM"};
    const sim::Fault noiseFault{.kind = Noise, .param = 90};
    // The operation, the unit's fault (none: a unit of class 3), the commands sent, the box,
    // and how the operation ends.
    const std::tuple<Operation, std::optional<sim::Fault>, std::vector<uint8_t>, Box,
                     OperationResult>
        table[] = {
            {kRead, {}, {46}, otherClass, OperationResult::Incompatible},
            {kWrite, {}, {46}, otherClass, OperationResult::Incompatible},
            {kTest, {}, {46}, otherClass, OperationResult::Incompatible},
            {kReset, {}, {46}, otherClass, OperationResult::Incompatible},
            {kWrite,
             sim::Fault{37, Refuse, 0},
             {46, 35, 44, 33, 34, 36, 37},
             refused,
             OperationResult::Refused},
            {kWrite,
             sim::Fault{38, Refuse, 27},
             {46, 35, 44, 33, 34, 36, 37, 49, 38},
             refused,
             OperationResult::Refused},
            {kTest, sim::Fault{32, Refuse, 25}, {46, 32}, refused, OperationResult::Refused},
            {kReset, sim::Fault{48, Refuse, 255}, {46, 48}, refused, OperationResult::Refused},
            {kRead, noiseFault, {46, 46, 46}, noise, OperationResult::BadAnswer},
            {kWrite, noiseFault, {46, 46, 46}, noise, OperationResult::BadAnswer},
            {kInfo, noiseFault, {47, 47, 47}, noise, OperationResult::BadAnswer},
            {kTest, noiseFault, {46, 46, 46}, noise, OperationResult::BadAnswer},
            {kReset, noiseFault, {46, 46, 46}, noise, OperationResult::BadAnswer},
            {kWrite,
             sim::Fault{40, ReadBackDiffers},
             {46, 35, 44, 33, 34, 36, 37, 49, 38, 41, 45, 39, 40},
             eeprom,
             OperationResult::VerificationFailed}};
    for (const auto& [operation, fault, commands, box, result] : table) {
        SCOPED_TRACE(::testing::PrintToString(commands));
        unit.SetModel({{.mode = 2, .address = 17}, uint8_t(fault ? 2 : 3), 12});
        unit.ClearFaults();
        fault ? unit.AddFault(*fault) : void();
        unit.ClearLog();
        ui.messages.clear();
        EXPECT_EQ(operation(link, ui), result);
        EXPECT_EQ(unit.LoggedCommands(), commands);
        EXPECT_EQ(Boxes(), std::vector{box});
        EXPECT_TRUE(IsPortFree(unit.SlavePath()));
    }
    EXPECT_FALSE(ui.IsInfoWindowOpen());
    EXPECT_EQ(ui.Text(Control::strAddress), "0");
    EXPECT_EQ(unit.CommitCount(), 1);  // the write whose read-back differs
}

}  // namespace
}  // namespace kavrel::testing
