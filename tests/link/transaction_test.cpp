// Frames and transactions against a simulated unit on a real pseudo-terminal.
#include "link/transaction.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

#include <ctime>
#include <memory>
#include <thread>
#include <tuple>
#include <utility>

#include "link/device_port.h"
#include "link/link_texts.h"
#include "tests/support/memory_ui.h"
#include "tools/kavrel-sim/simulated_unit.h"

namespace kavrel {
namespace {

using R = TransactionResult;
using Outcome = std::pair<R, int>;  // the result and the data byte of a sound answer

constexpr uint8_t kGetClass = 46;    // the unit answers its class, 2
constexpr uint8_t kGetVersion = 47;  // the unit answers its firmware version, 7
const std::vector<uint8_t> kClassQuery = {0x6E, 0xFF, 0x2E, 0x00, 0x65};

// What the simulated unit never answers: a wrong 90th byte, 91 bytes, the shortest answers.
TEST(CheckResponse, TakesTheNinetiethByteAsChecksum) {
    std::vector<uint8_t> ninety(90, 0x6E);  // 6E 6E ... 6E C2
    ninety.back() = 0xC2;
    std::vector<uint8_t> ninetyBad = ninety;
    ninetyBad.back() = 0xC3;
    const std::tuple<std::vector<uint8_t>, int32_t, R> cases[] = {
        {ninety, 90, R::Ok},      {ninetyBad, 90, R::BadChecksum}, {ninety, 91, R::BadLength},
        {{0x6E, 0x92}, 2, R::Ok}, {{0x6E}, 1, R::BadLength},       {{}, 0, R::BadStartByte}};
    for (auto [bytes, length, result] : cases) {
        bytes.resize(kFrameBufferSize);
        EXPECT_EQ(CheckResponse(bytes.data(), length), result) << "length " << length;
    }
}

// The bytes that leave the port, read on the other side of a bare pseudo-terminal: the
// checksum closes the frame, and a request stops at 90 bytes with no room for it.
TEST(Transactions, RequestsCarryTheirChecksumAndStopAtNinetyBytes) {
    int master = -1;
    int slave = -1;
    char name[128] = {};
    ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
    close(slave);
    DevicePort port;
    ASSERT_TRUE(port.OpenDevicePort(name));
    testing::MemoryUi ui;
    Transactions link(port, ui);
    const auto sent = [&] {
        link.RunTransaction();  // nobody answers
        std::vector<uint8_t> bytes(400);
        const ssize_t n = read(master, bytes.data(), bytes.size());
        bytes.resize(static_cast<size_t>(std::max<ssize_t>(n, 0)));
        return bytes;
    };
    link.BeginRequest(kRequestAddress, 0x20);
    link.AddRequestByte(4);
    const std::vector<uint8_t> once = {0x6E, 0xFF, 0x20, 0x04, 0x6F};
    std::vector<uint8_t> threeAttempts;
    for (int attempt = 0; attempt < 3; ++attempt) {
        threeAttempts.insert(threeAttempts.end(), once.begin(), once.end());
    }
    EXPECT_EQ(sent(), threeAttempts);
    link.BeginRequest(kRequestAddress, kGetClass);
    for (int i = 0; i < 100; ++i) {
        link.AddRequestByte(1);
    }
    const std::vector<uint8_t> bytes = sent();
    ASSERT_EQ(bytes.size(), 270u);  // three attempts of 90 bytes
    EXPECT_EQ(bytes[89], 1);
    close(master);
}

// A configurator's link against a simulated unit on a real pseudo-terminal.
class TransactionTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(port_.OpenDevicePort(unit_->SlavePath())); }
    Outcome Ask(uint8_t command, uint8_t value = 0) {
        link_.BeginRequest(kRequestAddress, command);
        link_.AddRequestByte(value);
        const R result = link_.RunTransaction();
        return {result, result == R::Ok ? link_.ResponseBuffer()[kDataByteOffset] : -1};
    }
    // The one box shown since the last call, as "title: text".
    std::string TakeBox() {
        const auto m = std::exchange(ui_.messages, {});
        return m.size() == 1 ? m[0].title + ": " + m[0].text : std::to_string(m.size()) + " boxes";
    }
    static std::string Box(R result) { return FailureTitle(result) + ": " + FailureText(result); }

    std::unique_ptr<sim::SimulatedUnit> unit_ = std::make_unique<sim::SimulatedUnit>();
    DevicePort port_;
    testing::MemoryUi ui_;
    Transactions link_{port_, ui_};
};

TEST_F(TransactionTest, SendsTheExactRequestAndKeepsUpToNinetyBytesOfTheAnswer) {
    EXPECT_EQ(Ask(kGetClass), Outcome(R::Ok, 2));
    EXPECT_EQ(unit_->Log().at(0).bytes, kClassQuery);
    EXPECT_EQ(Ask(kGetVersion), Outcome(R::Ok, 7));
    unit_->AddFault({kGetClass, sim::FaultKind::OverLong, 120, -1});
    EXPECT_EQ(Ask(kGetClass), Outcome(R::Ok, 2));  // checked over its first 90 bytes
}

// The texts the operator reads for each result, spelled out once here.
TEST(FailureText, EachResultHasItsOwnBox) {
    const std::string failed = "Выполнить команду не удалось!!!\n";
    const std::pair<R, std::string> cases[] = {
        {R::PortClosed,
         "Ошибка: " + failed + "COM-порт закрылся во время сеанса. Повторите Сеанс!"},
        {R::SendWorkerStuck, "Ошибка: " + failed + "Не удалось завершить поток №2"},
        {R::ReceiveWorkerStuck, "Ошибка: " + failed + "Не удалось завершить поток №3"},
        {R::NoResponse, "Ошибка: " + failed + "Устройство не отвечает"},
        {R::BadStartByte, "Ошибка: " + failed + "Некорректный ответ.Ошибка №5"},
        {R::BadChecksum, "Ошибка: " + failed + "Некорректный ответ.Ошибка №6"},
        {R::BadLength, "Ошибка: " + failed + "Некорректный ответ.Ошибка №7"},
        {R::CancelledByUser, "Внимание: " + failed + "Операция прервана пользователем"},
    };
    for (const auto& [result, box] : cases) {
        EXPECT_EQ(FailureTitle(result) + ": " + FailureText(result), box);
    }
}

// Each bad answer fails all three attempts, each sending the request unchanged, and ends
// in one box with the result's own text.
TEST_F(TransactionTest, EachBadAnswerFailsThreeIdenticalAttemptsWithOneBox) {
    const std::pair<sim::FaultKind, R> cases[] = {
        {sim::FaultKind::NoAnswer, R::NoResponse},
        {sim::FaultKind::BadStartByte, R::BadStartByte},
        {sim::FaultKind::BadChecksum, R::BadChecksum},
        {sim::FaultKind::OneByte, R::BadLength},
        {sim::FaultKind::Noise, R::BadStartByte},  // 90 bytes
    };
    for (const auto& [fault, result] : cases) {
        SCOPED_TRACE(FailureText(result));
        unit_->ClearFaults();
        unit_->ClearLog();
        unit_->AddFault({kGetClass, fault, 0, -1});
        EXPECT_EQ(Ask(kGetClass).first, result);
        EXPECT_EQ(TakeBox(), Box(result));
        EXPECT_EQ(unit_->LoggedCommands(), std::vector<uint8_t>(3, kGetClass));
        EXPECT_EQ(unit_->Log().back().bytes, kClassQuery);
    }
}

// The late answer lands after the second attempt got its own; it then waits as stale
// input, which the next transaction drops before it sends.
TEST_F(TransactionTest, ALateAnswerFailsOneAttemptAndNeverReachesTheNextResponse) {
    unit_->AddFault({kGetClass, sim::FaultKind::Delay, 650, 1});
    EXPECT_EQ(Ask(kGetClass), Outcome(R::Ok, 2));
    EXPECT_EQ(unit_->Log().size(), 2u);
    ASSERT_TRUE(port_.WaitReadable(2s, {}));  // the stale answer arrives
    EXPECT_EQ(Ask(kGetVersion), Outcome(R::Ok, 7));
    EXPECT_TRUE(ui_.messages.empty());
}

// The 500 ms limit from both sides: an answer 450 ms after the request is taken by the
// first attempt; one 550 ms after it is not, so the request goes out again.
TEST_F(TransactionTest, AnAnswerWithinFiveHundredMsIsTakenAndALaterOneIsNot) {
    for (const auto& [delay, requests] : {std::pair{450, 1u}, std::pair{550, 2u}}) {
        SCOPED_TRACE(delay);
        unit_->ClearLog();
        unit_->AddFault({kGetClass, sim::FaultKind::Delay, delay, 1});
        EXPECT_EQ(Ask(kGetClass), Outcome(R::Ok, 2));
        EXPECT_EQ(unit_->Log().size(), requests);
    }
}

// The answer starts late enough for the receive worker to be waiting even when threads
// start slowly (sanitizers). Its tail comes 2 ms later (joined: within the 3 ms silence)
// or 10 ms later (split, yet before the next attempt's drain 3 ms + 15 ms on). A worker
// descheduled for the whole gap on a loaded machine would join the parts, so a second
// transaction may be needed.
TEST_F(TransactionTest, AShortInnerGapJoinsTheResponseAndALongerOneSplitsIt) {
    unit_->AddFault({kGetClass, sim::FaultKind::Split, 2, -1, 40});
    EXPECT_EQ(Ask(kGetClass), Outcome(R::Ok, 2));
    unit_->ClearFaults();
    unit_->AddFault({kGetClass, sim::FaultKind::Split, 10, -1, 40});
    Outcome outcome{R::Ok, 0};
    for (int transaction = 0; transaction < 3 && outcome.first == R::Ok; ++transaction) {
        outcome = Ask(kGetClass);
    }
    EXPECT_EQ(outcome.first, R::BadChecksum);  // 6E FF alone does not check
}

// A closed port fails every attempt at once; a pending cancel ends the first attempt, also
// in the place of the closed port's result. Nothing reaches the unit.
TEST_F(TransactionTest, AClosedPortOrAPendingCancelFailsAtOnce) {
    ui_.PressCancel();
    EXPECT_EQ(Ask(kGetClass).first, R::CancelledByUser);
    EXPECT_EQ(TakeBox(), Box(R::CancelledByUser));
    EXPECT_EQ(ui_.polls, 1);
    port_.CloseDevicePort();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Ask(kGetClass).first, R::PortClosed);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    EXPECT_EQ(TakeBox(), Box(R::PortClosed));
    ui_.PressCancel();
    EXPECT_EQ(Ask(kGetClass).first, R::CancelledByUser);
    EXPECT_EQ(TakeBox(), Box(R::CancelledByUser));
    EXPECT_TRUE(unit_->Log().empty());
}

// The cable comes out while the unit should be answering: the line hangs up under the
// open port, the later attempts reach nobody, and waiting for them costs no CPU.
TEST_F(TransactionTest, ACablePulledMidTransactionEndsInNoResponseWithoutSpinning) {
    unit_->AddFault({kGetClass, sim::FaultKind::PullCable, 0, -1, 100});
    const auto start = std::chrono::steady_clock::now();
    const std::clock_t cpuBefore = std::clock();
    EXPECT_EQ(Ask(kGetClass).first, R::NoResponse);
    EXPECT_EQ(Ask(kGetVersion).first, R::NoResponse);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
    EXPECT_LT(std::clock() - cpuBefore, CLOCKS_PER_SEC / 2);  // waiting, not polling
    EXPECT_EQ(unit_->LoggedCommands(), std::vector<uint8_t>{kGetClass});
    EXPECT_EQ(TakeBox(), "2 boxes");
    EXPECT_TRUE(port_.IsDevicePortOpen());  // closing it is the session's business
}

}  // namespace
}  // namespace kavrel
