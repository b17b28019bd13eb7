#include "link/transaction.h"

#include <gtest/gtest.h>

#include <ctime>
#include <memory>
#include <thread>
#include <tuple>
#include <utility>

#include "link/device_port.h"
#include "tests/support/memory_ui.h"
#include "tools/kavrel-sim/simulated_unit.h"

namespace kavrel {
namespace {

using Outcome = std::pair<int32_t, int>;  // the code and the data byte of a 4-byte answer

constexpr uint8_t kGetClass = 46;    // the unit answers its class, 2
constexpr uint8_t kGetVersion = 47;  // the unit answers its firmware version, 7
const std::vector<uint8_t> kClassQuery = {0x6E, 0xFF, 0x2E, 0x00, 0x65};
const std::string kFailed = "Выполнить команду не удалось!!!\n";

// What the simulated unit never answers: a wrong 90th byte, 91 bytes, the shortest answers.
TEST(CheckResponse, TakesTheNinetiethByteAsChecksum) {
    std::vector<uint8_t> ninety(90, 0x6E);  // 6E 6E ... 6E C2
    ninety.back() = 0xC2;
    std::vector<uint8_t> ninetyBad = ninety;
    ninetyBad.back() = 0xC3;
    const std::tuple<std::vector<uint8_t>, int32_t, int32_t> cases[] = {
        {ninety, 90, 0}, {ninetyBad, 90, 6}, {ninety, 91, 7}, {{0x6E, 0x92}, 2, 0}, {{}, 0, 5}};
    for (auto [bytes, length, code] : cases) {
        bytes.resize(kFrameBufferSize);
        EXPECT_EQ(CheckResponse(bytes.data(), length), code) << "length " << length;
    }
}

// A configurator's link against a simulated unit on a real pseudo-terminal.
class TransactionTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(port_.OpenDevicePort(unit_->SlavePath())); }
    Outcome Ask(uint8_t command, uint8_t value = 0) {
        link_.BeginRequest(kRequestAddress, command);
        link_.AddRequestByte(value);
        const int32_t code = link_.RunTransaction();
        return {code, link_.ResponseLength() == 4 ? link_.ResponseBuffer()[2] : -1};
    }
    // The one box shown since the last call, as "title: text".
    std::string TakeBox() {
        const auto m = std::exchange(ui_.messages, {});
        return m.size() == 1 ? m[0].title + ": " + m[0].text : std::to_string(m.size()) + " boxes";
    }

    std::unique_ptr<sim::SimulatedUnit> unit_ = std::make_unique<sim::SimulatedUnit>();
    DevicePort port_;
    testing::MemoryUi ui_;
    Transactions link_{port_, ui_};
};

TEST_F(TransactionTest, SendsTheExactRequestAndKeepsUpToNinetyBytesOfTheAnswer) {
    EXPECT_EQ(Ask(kGetClass), Outcome(kTransactionOk, 2));
    EXPECT_EQ(unit_->Log().at(0).bytes, kClassQuery);
    EXPECT_EQ(Ask(kGetVersion), Outcome(kTransactionOk, 7));
    unit_->AddFault({kGetClass, sim::FaultKind::OverLong, 120, -1});
    EXPECT_EQ(Ask(kGetClass).first, kTransactionOk);
    EXPECT_EQ(link_.ResponseLength(), 90);
}

// Each bad answer fails all three attempts, each sending the request unchanged, and ends
// in one box with the code's own text.
TEST_F(TransactionTest, EachBadAnswerFailsThreeIdenticalAttemptsWithOneBox) {
    const std::tuple<sim::FaultKind, int32_t, std::string> cases[] = {
        {sim::FaultKind::NoAnswer, kNoResponse, "Устройство не отвечает"},
        {sim::FaultKind::BadStartByte, kBadStartByte, "Некорректный ответ.Ошибка №5"},
        {sim::FaultKind::BadChecksum, kBadChecksum, "Некорректный ответ.Ошибка №6"},
        {sim::FaultKind::OneByte, kBadLength, "Некорректный ответ.Ошибка №7"},
        {sim::FaultKind::Noise, kBadStartByte, "Некорректный ответ.Ошибка №5"},  // 90 bytes
    };
    for (const auto& [fault, code, text] : cases) {
        SCOPED_TRACE(text);
        unit_->ClearFaults();
        unit_->ClearLog();
        unit_->AddFault({kGetClass, fault, 0, -1});
        EXPECT_EQ(Ask(kGetClass).first, code);
        EXPECT_EQ(TakeBox(), "Ошибка: " + kFailed + text);
        EXPECT_EQ(unit_->LoggedCommands(), std::vector<uint8_t>(3, kGetClass));
        EXPECT_EQ(unit_->Log().back().bytes, kClassQuery);
    }
}

// The late answer lands after the second attempt got its own; it then waits as stale
// input, which the next transaction drops before it sends.
TEST_F(TransactionTest, ALateAnswerFailsOneAttemptAndNeverReachesTheNextResponse) {
    unit_->AddFault({kGetClass, sim::FaultKind::Delay, 650, 1});
    EXPECT_EQ(Ask(kGetClass), Outcome(kTransactionOk, 2));
    EXPECT_EQ(unit_->Log().size(), 2u);
    std::this_thread::sleep_for(300ms);
    ASSERT_GT(port_.AvailableBytes(), 0);
    EXPECT_EQ(Ask(kGetVersion), Outcome(kTransactionOk, 7));
    EXPECT_TRUE(ui_.messages.empty());
}

// The 500 ms limit from both sides: an answer 450 ms after the request is taken by the
// first attempt; one 550 ms after it is not, so the request goes out again.
TEST_F(TransactionTest, AnAnswerWithinFiveHundredMsIsTakenAndALaterOneIsNot) {
    for (const auto& [delay, requests] : {std::pair{450, 1u}, std::pair{550, 2u}}) {
        SCOPED_TRACE(delay);
        unit_->ClearLog();
        unit_->AddFault({kGetClass, sim::FaultKind::Delay, delay, 1});
        EXPECT_EQ(Ask(kGetClass), Outcome(kTransactionOk, 2));
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
    EXPECT_EQ(Ask(kGetClass), Outcome(kTransactionOk, 2));
    unit_->ClearFaults();
    unit_->AddFault({kGetClass, sim::FaultKind::Split, 10, -1, 40});
    Outcome outcome{kTransactionOk, 0};
    for (int transaction = 0; transaction < 3 && outcome.first == kTransactionOk; ++transaction) {
        outcome = Ask(kGetClass);
    }
    EXPECT_EQ(outcome.first, kBadChecksum);  // 6E FF alone does not check
    EXPECT_EQ(link_.ResponseLength(), 2);
}

// A closed port fails every attempt at once; a pending cancel ends the first attempt, also
// in the place of the closed port's code. Nothing reaches the unit.
TEST_F(TransactionTest, AClosedPortOrAPendingCancelFailsAtOnce) {
    const std::string cancelled = "Внимание: " + kFailed + "Операция прервана пользователем";
    ui_.PressCancel();
    EXPECT_EQ(Ask(kGetClass).first, kCancelledByUser);
    EXPECT_EQ(TakeBox(), cancelled);
    EXPECT_EQ(ui_.polls, 1);
    port_.CloseDevicePort();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Ask(kGetClass).first, kPortClosed);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    EXPECT_EQ(TakeBox(),
              "Ошибка: " + kFailed + "COM-порт закрылся во время сеанса. Повторите Сеанс!");
    ui_.PressCancel();
    EXPECT_EQ(Ask(kGetClass).first, kCancelledByUser);
    EXPECT_EQ(TakeBox(), cancelled);
    std::this_thread::sleep_for(50ms);
    EXPECT_TRUE(unit_->Log().empty());
}

TEST_F(TransactionTest, RequestsCarryTheirChecksumAndStopAtNinetyBytes) {
    port_.CloseDevicePort();
    EXPECT_EQ(Ask(0x20, 4).first, kPortClosed);
    EXPECT_EQ(link_.RequestBuffer()[4], 0x6F);  // 6E FF 20 04 6F
    link_.BeginRequest(kRequestAddress, kGetClass);
    for (int i = 0; i < 100; ++i) {
        link_.AddRequestByte(1);
    }
    EXPECT_EQ(link_.RequestLength(), 90);
    EXPECT_EQ(link_.RunTransaction(), kPortClosed);
    EXPECT_EQ(link_.RequestLength(), 90);  // no room for a checksum: sent as it is
    EXPECT_EQ(link_.RequestBuffer()[89], 1);
}

// The cable comes out while the unit should be answering: the line hangs up under the
// open port, the later attempts reach nobody, and waiting for them costs no CPU.
TEST_F(TransactionTest, ACablePulledMidTransactionEndsInNoResponseWithoutSpinning) {
    unit_->AddFault({kGetClass, sim::FaultKind::PullCable, 0, -1, 100});
    const auto start = std::chrono::steady_clock::now();
    const std::clock_t cpuBefore = std::clock();
    EXPECT_EQ(Ask(kGetClass).first, kNoResponse);
    EXPECT_EQ(Ask(kGetVersion).first, kNoResponse);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
    EXPECT_LT(std::clock() - cpuBefore, CLOCKS_PER_SEC / 2);  // waiting, not polling
    EXPECT_EQ(unit_->LoggedCommands(), std::vector<uint8_t>{kGetClass});
    EXPECT_EQ(TakeBox(), "2 boxes");
    EXPECT_TRUE(port_.IsDevicePortOpen());  // closing it is the session's business
}

}  // namespace
}  // namespace kavrel
