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

// A unit read in autonomous mode is written back autonomous: the read leaves the mode byte
// on both options, the one the write sends and the one that decides whether the address goes
// too. The address is checked all the same: an invalid one stops the write before it starts.
TEST_F(OperationsTest, AUnitReadInAutonomousModeIsWrittenBackAutonomousWithoutItsAddress) {
    const sim::Settings autonomous{.mode = 2, .address = 17};
    unit.SetModel({autonomous});
    ASSERT_EQ(ReadSettings(link, ui), OperationResult::Ok);
    unit.ClearLog();
    for (const char* address : {"255", "17"}) {
        ui.SetText(Control::strAddress, address);
        CheckAddressInput(ui);
        WriteSettings(link, ui);
    }
    const std::vector<uint8_t> expected = {46, 35, 33, 34, 36, 37, 49, 38, 41, 39, 40, 42, 43, 50};
    EXPECT_EQ(unit.LoggedCommands(), expected);
    EXPECT_EQ(unit.Model().settings, autonomous);
    const Box invalidAddress{MessageIcon::Warning, "Внимание!",
                             "Запись невозможна.\nУстановлен некорректный адрес\nИсправьте "
                             "ошибки и повторите."};
    EXPECT_EQ(Boxes(), std::vector{invalidAddress});
}

// Information, test and reset as the unit answers them: the information stays shown over a
// wndMain that refuses input after the session; test and reset leave wndMain taking input.
TEST_F(OperationsTest, InfoTestAndResetSendTheirCommandsAndInfoShowsItsValues) {
    unit.SetModel({{}, 2, 12});
    using Requests = std::vector<std::pair<int, int>>;  // command and value byte
    const std::tuple<Operation, Requests, bool> table[] = {{kTest, {{46, 0}, {32, 4}}, true},
                                                           {kReset, {{46, 0}, {48, 4}}, true},
                                                           {kInfo, {{47, 0}, {46, 0}}, false}};
    for (const auto& [operation, requests, mainTakesInput] : table) {
        unit.ClearLog();
        EXPECT_EQ(operation(link, ui), OperationResult::Ok);
        Requests sent;
        for (const sim::LoggedRequest& request : unit.Log()) {
            sent.emplace_back(request.command, request.value);
        }
        EXPECT_EQ(sent, requests);
        EXPECT_EQ(ui.IsMainWindowEnabled(), mainTakesInput);
    }
    EXPECT_EQ(std::tuple(ui.Text(Control::lblFirmwareVersion), ui.Text(Control::lblDeviceClass),
                         ui.Text(Control::lblConfiguratorVersion),
                         ui.Text(Control::lblConfiguratorClass)),
              std::tuple("12", "2", "4", "2"));
    EXPECT_TRUE(Boxes().empty());
}

// Another device class, a refusal (any data byte but 26, the commit's included), noise
// or silence (three attempts of a request) or a differing read-back: one box, the operation
// ends there, the port is free again and the form keeps what it showed, a read's settings
// answered before the failure included.
TEST_F(OperationsTest, AFailureIsReportedOnceAndEndsTheOperation) {
    using enum sim::FaultKind;
    // Each box with how the operation ends.
    using Outcome = std::pair<Box, OperationResult>;
    const Outcome otherClass{{MessageIcon::Error, "Ошибка",
                              "Конфигуратор не совместим с устройством! Класс уст. 3,а класс "
                              "конфигуратора 2"},
                             OperationResult::Incompatible};
    const Outcome refused{{MessageIcon::Error, "Ошибка",
                           "Выполнить команду не удалось!!!\nУстройство отклонило команду"},
                          OperationResult::Refused};
    const auto failure = [](TransactionResult transaction, OperationResult result) {
        return Outcome{{MessageIcon::Error, FailureTitle(transaction), FailureText(transaction)},
                       result};
    };
    const Outcome noise = failure(TransactionResult::BadStartByte, OperationResult::BadAnswer);
    const Outcome noAnswer = failure(TransactionResult::NoResponse, OperationResult::NoAnswer);
    const Outcome eeprom{{MessageIcon::Error, "Ошибка!", "Ошибка верификации EEPROM"},
                         OperationResult::VerificationFailed};
    const sim::Fault noiseFault{.kind = Noise, .param = 90};
    // The operation, the unit's fault (none: a unit of class 3), the commands sent and the outcome.
    // clang-format off
    const std::tuple<Operation, std::optional<sim::Fault>, std::vector<uint8_t>, Outcome> table[] = {
        {kRead, {}, {46}, otherClass}, {kWrite, {}, {46}, otherClass}, {kTest, {}, {46}, otherClass},
        {kReset, {}, {46}, otherClass},
        {kWrite, sim::Fault{37, Refuse, 0}, {46, 35, 44, 33, 34, 36, 37}, refused},
        {kWrite, sim::Fault{38, Refuse, 27}, {46, 35, 44, 33, 34, 36, 37, 49, 38}, refused},
        {kTest, sim::Fault{32, Refuse, 25}, {46, 32}, refused}, {kReset, sim::Fault{48, Refuse, 255}, {46, 48}, refused},
        {kRead, noiseFault, {46, 46, 46}, noise}, {kWrite, noiseFault, {46, 46, 46}, noise},
        {kInfo, noiseFault, {47, 47, 47}, noise}, {kTest, noiseFault, {46, 46, 46}, noise},
        {kReset, noiseFault, {46, 46, 46}, noise},
        {kWrite, sim::Fault{40, ReadBackDiffers}, {46, 35, 44, 33, 34, 36, 37, 49, 38, 41, 45, 39, 40}, eeprom},
        {kRead, sim::Fault{40, NoAnswer}, {46, 51, 41, 45, 39, 40, 40, 40}, noAnswer}};
    // clang-format on
    for (const auto& [operation, fault, commands, outcome] : table) {
        SCOPED_TRACE(::testing::PrintToString(commands));
        const sim::Settings settings{.mode = 2, .address = 17, .indication = 5, .soundOff = 1};
        unit.SetModel({settings, uint8_t(fault ? 2 : 3), 12});
        unit.ClearFaults();
        fault ? unit.AddFault(*fault) : void();
        unit.ClearLog();
        ui.messages.clear();
        const OperationResult result = operation(link, ui);
        EXPECT_EQ(std::pair(Boxes(), result),
                  std::pair(std::vector{outcome.first}, outcome.second));
        EXPECT_EQ(unit.LoggedCommands(), commands);
        EXPECT_TRUE(IsPortFree(unit.SlavePath()));
    }
    EXPECT_FALSE(ui.IsInfoWindowOpen());
    EXPECT_EQ(std::tuple(ui.Text(Control::strAddress), ui.ValueByte(Control::chkCountGreen),
                         ui.State(Control::chkSoundOff)),
              std::tuple("17", 5, 0));
    EXPECT_EQ(unit.CommitCount(), 1);  // the write whose read-back differs
}

}  // namespace
}  // namespace kavrel::testing
