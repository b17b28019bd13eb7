#include "link/transaction.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <tuple>

#include "link/device_port.h"
#include "tests/support/memory_ui.h"
#include "tools/kavrel-sim/simulated_unit.h"

namespace kavrel {
namespace {

using sim::FaultKind;
using Outcome = std::pair<int32_t, int>;  // the code and the data byte of a 4-byte answer

constexpr uint8_t kGetClass = 46;    // the unit answers its class, 2
constexpr uint8_t kGetVersion = 47;  // the unit answers its firmware version, 7
const std::vector<uint8_t> kClassQuery = {0x6E, 0xFF, 0x2E, 0x00, 0x65};
const std::string kFailed = "Выполнить команду не удалось!!!\n";

// Seconds on CLOCK_MONOTONIC or of the process's CPU time.
double Seconds(clockid_t clock) {
    timespec ts{};
    clock_gettime(clock, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

TEST(CheckResponse, StartByteThenLengthThenChecksum) {
    std::vector<uint8_t> ninety(90, 0);  // 6E 00 ... 00 92
    ninety[0] = 0x6E;
    ninety[89] = 0x92;
    std::vector<uint8_t> ninetyBad = ninety;
    ninetyBad[89] = 0x93;
    // bytes, length as the receiver counted it, code
    const std::tuple<std::vector<uint8_t>, int32_t, int32_t> cases[] = {
        {{0x6E, 0xFF, 0x1A, 0x79}, 4, 0},
        {{0x6E, 0x92}, 2, 0},
        {{0x6F, 0xFF, 0x1A, 0x78}, 4, 5},
        {{0x00}, 0, 5},
        {{0x6E}, 1, 7},
        {{0x6E, 0xFF, 0x1A, 0x7A}, 4, 6},
        {{0x6E, 0xFF}, 2, 6},
        {ninety, 90, 0},
        {ninety, 91, 7},
        {ninetyBad, 90, 6}};  // the 90th byte is the checksum
    for (const auto& [bytes, length, code] : cases) {
        SCOPED_TRACE(length);
        std::vector<uint8_t> buffer(kFrameBufferSize, 0);
        std::copy(bytes.begin(), bytes.end(), buffer.begin());
        EXPECT_EQ(CheckResponse(buffer.data(), length), code);
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
    std::string OnlyBox() const {
        const auto& m = ui_.messages;
        return m.size() == 1 ? m[0].title + ": " + m[0].text : std::to_string(m.size()) + " boxes";
    }

    std::unique_ptr<sim::SimulatedUnit> unit_ = std::make_unique<sim::SimulatedUnit>();
    DevicePort port_;
    testing::MemoryUi ui_;
    Transactions link_{port_, ui_};
};

TEST_F(TransactionTest, SendsTheExactRequestAndKeepsTheAnswer) {
    EXPECT_EQ(Ask(kGetClass), Outcome(kTransactionOk, 2));
    EXPECT_EQ(unit_->Log().at(0).bytes, kClassQuery);
    EXPECT_EQ(Ask(kGetVersion), Outcome(kTransactionOk, 7));
}

// Each bad answer fails all three attempts, each sending the request unchanged, and ends
// in one box with the code's own text.
TEST_F(TransactionTest, EachBadAnswerFailsThreeIdenticalAttemptsWithOneBox) {
    const std::tuple<FaultKind, int32_t, std::string> cases[] = {
        {FaultKind::NoAnswer, kNoResponse, "Устройство не отвечает"},
        {FaultKind::BadStartByte, kBadStartByte, "Некорректный ответ.Ошибка №5"},
        {FaultKind::BadChecksum, kBadChecksum, "Некорректный ответ.Ошибка №6"},
        {FaultKind::OneByte, kBadLength, "Некорректный ответ.Ошибка №7"},
    };
    for (const auto& [fault, code, text] : cases) {
        SCOPED_TRACE(text);
        unit_->ClearFaults();
        unit_->ClearLog();
        ui_.messages.clear();
        unit_->AddFault({kGetClass, fault, 0, -1});
        EXPECT_EQ(Ask(kGetClass).first, code);
        EXPECT_EQ(OnlyBox(), "Ошибка: " + kFailed + text);
        ASSERT_EQ(unit_->Log().size(), 3u);
        for (const auto& request : unit_->Log()) {
            EXPECT_EQ(request.bytes, kClassQuery);
        }
    }
}

// The late answer lands after the second attempt got its own; it then waits as stale
// input, which the next transaction drops before it sends.
TEST_F(TransactionTest, ALateAnswerFailsOneAttemptAndNeverReachesTheNextResponse) {
    unit_->AddFault({kGetClass, FaultKind::Delay, 650, 1});
    EXPECT_EQ(Ask(kGetClass), Outcome(kTransactionOk, 2));
    EXPECT_EQ(unit_->Log().size(), 2u);
    std::this_thread::sleep_for(300ms);
    ASSERT_GT(port_.AvailableBytes(), 0);
    EXPECT_EQ(Ask(kGetVersion), Outcome(kTransactionOk, 7));
    EXPECT_TRUE(ui_.messages.empty());
}

// The answer starts late enough for the receive worker to be waiting even when threads
// start slowly (sanitizers). Its tail comes 2 ms later (joined: within the 3 ms silence)
// or 10 ms later (split, yet before the next attempt's drain 3 ms + 15 ms on). A worker
// descheduled for the whole gap on a loaded machine would join the parts, so a second
// transaction may be needed.
TEST_F(TransactionTest, AShortInnerGapJoinsTheResponseAndALongerOneSplitsIt) {
    unit_->AddFault({kGetClass, FaultKind::Split, 2, -1, 40});
    EXPECT_EQ(Ask(kGetClass), Outcome(kTransactionOk, 2));
    unit_->ClearFaults();
    unit_->AddFault({kGetClass, FaultKind::Split, 10, -1, 40});
    Outcome outcome{kTransactionOk, 0};
    for (int transaction = 0; transaction < 3 && outcome.first == kTransactionOk; ++transaction) {
        outcome = Ask(kGetClass);
    }
    EXPECT_EQ(outcome.first, kBadChecksum);  // 6E FF alone does not check
    EXPECT_EQ(link_.ResponseLength(), 2);
}

TEST_F(TransactionTest, AnOverLongAnswerKeepsNinetyBytes) {
    unit_->AddFault({kGetClass, FaultKind::OverLong, 120, -1});
    EXPECT_EQ(Ask(kGetClass).first, kTransactionOk);
    EXPECT_EQ(link_.ResponseLength(), 90);
    EXPECT_EQ(link_.ResponseBuffer()[90], 0);
}

// A closed port fails every attempt at once; a pending cancel ends the first attempt and
// takes the place of the closed port's code. Nothing reaches the unit.
TEST_F(TransactionTest, AClosedPortOrAPendingCancelFailsAtOnce) {
    const std::string cancelled = "Внимание: " + kFailed + "Операция прервана пользователем";
    const std::tuple<bool, int32_t, int, std::string> cases[] = {
        // cancel pressed (else the port is closed, from then on), code, polls, box
        {true, kCancelledByUser, 1, cancelled},
        {false, kPortClosed, 3,
         "Ошибка: " + kFailed + "COM-порт закрылся во время сеанса. Повторите Сеанс!"},
        {true, kCancelledByUser, 1, cancelled},
    };
    for (const auto& [cancel, code, polls, box] : cases) {
        SCOPED_TRACE(box);
        ui_.messages.clear();
        ui_.polls = 0;
        if (cancel) {
            ui_.PressCancel();
        } else {
            port_.CloseDevicePort();
        }
        const double start = Seconds(CLOCK_MONOTONIC);
        EXPECT_EQ(Ask(kGetClass).first, code);
        EXPECT_LT(Seconds(CLOCK_MONOTONIC) - start, 1.0);
        EXPECT_EQ(ui_.polls, polls);
        EXPECT_EQ(OnlyBox(), box);
    }
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
    EXPECT_EQ(link_.RequestBuffer()[90], 0);
    EXPECT_EQ(link_.RunTransaction(), kPortClosed);
    EXPECT_EQ(link_.RequestLength(), 90);  // no room for a checksum: sent as it is
    EXPECT_EQ(link_.RequestBuffer()[89], 1);
}

TEST_F(TransactionTest, AUnitThatHangsUpIsWaitedOutWithoutSpinning) {
    unit_.reset();  // the line hangs up under the open port
    const double start = Seconds(CLOCK_MONOTONIC);
    const double cpuBefore = Seconds(CLOCK_PROCESS_CPUTIME_ID);
    EXPECT_EQ(Ask(kGetClass).first, kNoResponse);
    EXPECT_LT(Seconds(CLOCK_MONOTONIC) - start, 5.0);
    EXPECT_LT(Seconds(CLOCK_PROCESS_CPUTIME_ID) - cpuBefore, 0.5);
}

}  // namespace
}  // namespace kavrel
