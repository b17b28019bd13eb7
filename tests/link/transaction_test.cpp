#include "link/transaction.h"

#include <gtest/gtest.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "link/device_port.h"
#include "tests/support/memory_ui.h"
#include "tools/kavrel-sim/simulated_unit.h"

namespace kavrel {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using sim::Fault;
using sim::FaultKind;
using testing::MemoryUi;

constexpr uint8_t kGetClass = 46;
constexpr uint8_t kGetVersion = 47;
const std::string kFailed = "Выполнить команду не удалось!!!\n";

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double ProcessCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// A configurator's link against a simulated unit on a real pseudo-terminal.
class TransactionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        unit_ = std::make_unique<sim::SimulatedUnit>();
        ASSERT_TRUE(port_.OpenDevicePort(unit_->SlavePath()));
    }

    int32_t Run(uint8_t command, uint8_t value = 0) {
        link_.BeginRequest(kRequestAddress, command);
        link_.AddRequestByte(value);
        return link_.RunTransaction();
    }

    // Waits (bounded) until the unit has logged `count` requests.
    bool WaitForRequests(size_t count) {
        const auto deadline = Clock::now() + 3s;
        while (unit_->Log().size() < count && Clock::now() < deadline) {
            std::this_thread::sleep_for(1ms);
        }
        return unit_->Log().size() >= count;
    }

    std::unique_ptr<sim::SimulatedUnit> unit_;
    DevicePort port_;
    MemoryUi ui_;
    Transactions link_{port_, ui_};
};

TEST_F(TransactionTest, SendsTheExactRequestAndKeepsTheAnswer) {
    ASSERT_EQ(Run(kGetClass), kTransactionOk);
    EXPECT_EQ(link_.RequestLength(), 5);
    const auto log = unit_->Log();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].bytes, (std::vector<uint8_t>{0x6E, 0xFF, 0x2E, 0x00, 0x65}));
    EXPECT_EQ(link_.ResponseLength(), 4);
    EXPECT_EQ(link_.ResponseBuffer()[0], 0x6E);
    EXPECT_EQ(link_.ResponseBuffer()[2], 2);  // the unit's class
    EXPECT_TRUE(ui_.messages.empty());

    ASSERT_EQ(Run(kGetVersion), kTransactionOk);
    EXPECT_EQ(link_.ResponseBuffer()[2], 7);
}

struct FailureCase {
    FaultKind fault;
    int32_t code;
    std::string text;
};

// Each fault fails all three attempts, sends the request three times unchanged, and ends
// in one box with the code's own text.
TEST_F(TransactionTest, EachBadAnswerFailsThreeAttemptsWithOneBox) {
    const std::vector<FailureCase> cases = {
        {FaultKind::NoAnswer, kNoResponse, kFailed + "Устройство не отвечает"},
        {FaultKind::BadStartByte, kBadStartByte, kFailed + "Некорректный ответ.Ошибка №5"},
        {FaultKind::BadChecksum, kBadChecksum, kFailed + "Некорректный ответ.Ошибка №6"},
        {FaultKind::OneByte, kBadLength, kFailed + "Некорректный ответ.Ошибка №7"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        unit_->ClearFaults();
        unit_->ClearLog();
        ui_.messages.clear();
        unit_->AddFault(Fault{kGetClass, c.fault, 0, -1});
        EXPECT_EQ(Run(kGetClass), c.code);
        ASSERT_EQ(ui_.messages.size(), 1u);
        EXPECT_EQ(ui_.messages[0].icon, MessageIcon::Error);
        EXPECT_EQ(ui_.messages[0].title, "Ошибка");
        EXPECT_EQ(ui_.messages[0].text, c.text);
        ASSERT_TRUE(WaitForRequests(3));
        const auto log = unit_->Log();
        EXPECT_EQ(log.size(), 3u);
        for (const auto& request : log) {
            EXPECT_EQ(request.bytes, (std::vector<uint8_t>{0x6E, 0xFF, 0x2E, 0x00, 0x65}));
        }
    }
}

TEST_F(TransactionTest, ASilentUnitFailsAfterThreeResponseTimeOuts) {
    unit_->AddFault(Fault{sim::kAnyCommand, FaultKind::NoAnswer, 0, -1});
    const double cpuBefore = ProcessCpuSeconds();
    const auto start = Clock::now();
    EXPECT_EQ(Run(kGetClass), kNoResponse);
    const double took = SecondsSince(start);
    EXPECT_GE(took, 3 * 0.5);
    // A stopped worker leaves at once: no extra 300 ms per attempt (2.45 s in all).
    EXPECT_LT(took, 2.4);
    EXPECT_LT(ProcessCpuSeconds() - cpuBefore, 0.5);  // waiting, not polling
}

// The late answer lands after the second attempt got its own; it then waits as stale
// input and is dropped by the next transaction.
TEST_F(TransactionTest, ALateAnswerFailsOneAttemptAndTheNextSucceeds) {
    unit_->AddFault(Fault{kGetClass, FaultKind::Delay, 650, 1});
    EXPECT_EQ(Run(kGetClass), kTransactionOk);
    EXPECT_EQ(link_.ResponseBuffer()[2], 2);
    EXPECT_EQ(link_.ResponseLength(), 4);
    EXPECT_EQ(unit_->Log().size(), 2u);
    std::this_thread::sleep_for(300ms);
    ASSERT_GT(port_.AvailableBytes(), 0);
    ASSERT_EQ(Run(kGetVersion), kTransactionOk);
    EXPECT_EQ(link_.ResponseLength(), 4);
    EXPECT_EQ(link_.ResponseBuffer()[2], 7);
    EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(TransactionTest, StaleInputNeverReachesTheResponse) {
    unit_->SendUnasked({0x6E, 0xFF, 0x99, 0x99, 0x6E});
    const auto deadline = Clock::now() + 3s;
    while (port_.AvailableBytes() < 5 && Clock::now() < deadline) {
        std::this_thread::sleep_for(1ms);
    }
    ASSERT_EQ(port_.AvailableBytes(), 5);
    ASSERT_EQ(Run(kGetClass), kTransactionOk);
    EXPECT_EQ(link_.ResponseLength(), 4);
    EXPECT_EQ(link_.ResponseBuffer()[2], 2);

    // Junk that follows an answer waits for the next request and is dropped then.
    unit_->AddFault(Fault{kGetVersion, FaultKind::StaleAfter, 7, 1});
    ASSERT_EQ(Run(kGetVersion), kTransactionOk);
    std::this_thread::sleep_for(60ms);
    ASSERT_EQ(Run(kGetClass), kTransactionOk);
    EXPECT_EQ(link_.ResponseLength(), 4);
    EXPECT_EQ(link_.ResponseBuffer()[2], 2);
    EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(TransactionTest, AShortInnerGapJoinsTheResponse) {
    unit_->AddFault(Fault{kGetClass, FaultKind::Split, 2, -1, 40});
    EXPECT_EQ(Run(kGetClass), kTransactionOk);
    EXPECT_EQ(link_.ResponseLength(), 4);
    EXPECT_EQ(link_.ResponseBuffer()[2], 2);
}

// The answer starts late enough for the receive worker to be waiting even when threads
// start slowly (sanitizers). Its tail comes 10 ms later: well past the 3 ms silence, yet
// before the next attempt's drain (3 ms + 15 ms on). A worker descheduled for the whole
// gap on a loaded machine would join the parts, so a second transaction may be needed.
TEST_F(TransactionTest, ALongInnerGapEndsTheResponseEarly) {
    unit_->AddFault(Fault{kGetClass, FaultKind::Split, 10, -1, 40});
    int32_t code = kTransactionOk;
    for (int transaction = 0; transaction < 3 && code == kTransactionOk; ++transaction) {
        code = Run(kGetClass);
    }
    EXPECT_EQ(code, kBadChecksum);  // 6E FF alone does not check
    EXPECT_EQ(link_.ResponseLength(), 2);
    EXPECT_EQ(link_.ResponseBuffer()[2], 0);
    EXPECT_EQ(ui_.messages.size(), 1u);
}

TEST_F(TransactionTest, AnOverLongAnswerKeepsNinetyBytesAndChecksTheNinetieth) {
    unit_->AddFault(Fault{kGetClass, FaultKind::OverLong, 120, -1});
    ASSERT_EQ(Run(kGetClass), kTransactionOk);
    EXPECT_EQ(link_.ResponseLength(), 90);
    EXPECT_EQ(link_.ResponseBuffer()[2], 2);
    EXPECT_EQ(link_.ResponseBuffer()[89], FrameChecksum(link_.ResponseBuffer().data(), 89));
    EXPECT_EQ(link_.ResponseBuffer()[90], 0);
}

TEST_F(TransactionTest, AClosedPortFailsAtOnceWithCodeOne) {
    port_.CloseDevicePort();
    const auto start = Clock::now();
    EXPECT_EQ(Run(kGetClass), kPortClosed);
    EXPECT_LT(SecondsSince(start), 1.0);
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].title, "Ошибка");
    EXPECT_EQ(ui_.messages[0].text,
              kFailed + "COM-порт закрылся во время сеанса. Повторите Сеанс!");
    EXPECT_EQ(ui_.polls, 3);
    std::this_thread::sleep_for(50ms);
    EXPECT_TRUE(unit_->Log().empty());
}

TEST_F(TransactionTest, APendingCancelEndsTheFirstAttemptWithCodeEight) {
    for (bool portOpen : {true, false}) {
        SCOPED_TRACE(portOpen ? "port open" : "port closed: 8 replaces 1");
        if (!portOpen) {
            port_.CloseDevicePort();
        }
        ui_.messages.clear();
        ui_.polls = 0;
        ui_.PressCancel();
        EXPECT_EQ(Run(kGetClass), kCancelledByUser);
        EXPECT_EQ(ui_.polls, 1);
        ASSERT_EQ(ui_.messages.size(), 1u);
        EXPECT_EQ(ui_.messages[0].icon, MessageIcon::Error);
        EXPECT_EQ(ui_.messages[0].title, "Внимание");
        EXPECT_EQ(ui_.messages[0].text, kFailed + "Операция прервана пользователем");
    }
    std::this_thread::sleep_for(50ms);
    EXPECT_TRUE(unit_->Log().empty());
}

TEST_F(TransactionTest, AUnitThatHangsUpIsWaitedOutWithoutSpinning) {
    unit_.reset();  // the line hangs up under the open port
    const double cpuBefore = ProcessCpuSeconds();
    const auto start = Clock::now();
    EXPECT_EQ(Run(kGetClass), kNoResponse);
    EXPECT_LT(SecondsSince(start), 5.0);
    EXPECT_LT(ProcessCpuSeconds() - cpuBefore, 0.5);
}

TEST(TransactionRequest, BuildsFramesUpToNinetyBytes) {
    DevicePort closed;
    MemoryUi ui;
    Transactions link(closed, ui);
    link.BeginRequest(kRequestAddress, 0x20);
    link.AddRequestByte(4);
    EXPECT_EQ(link.RunTransaction(), kPortClosed);
    EXPECT_EQ(link.RequestLength(), 5);
    EXPECT_EQ(link.RequestBuffer()[4], 0x6F);

    link.BeginRequest(kRequestAddress, 0x2E);
    for (int i = 0; i < 86; ++i) {
        link.AddRequestByte(1);
    }
    EXPECT_EQ(link.RequestLength(), 89);
    EXPECT_EQ(link.RunTransaction(), kPortClosed);
    EXPECT_EQ(link.RequestLength(), 90);
    EXPECT_EQ(link.RequestBuffer()[89], FrameChecksum(link.RequestBuffer().data(), 89));

    link.BeginRequest(kRequestAddress, 0x2E);
    for (int i = 0; i < 100; ++i) {
        link.AddRequestByte(1);
    }
    EXPECT_EQ(link.RequestLength(), 90);
    EXPECT_EQ(link.RequestBuffer()[89], 1);
    EXPECT_EQ(link.RequestBuffer()[90], 0);
    EXPECT_EQ(link.RunTransaction(), kPortClosed);
    EXPECT_EQ(link.RequestLength(), 90);  // no room for a checksum: sent as it is
    EXPECT_EQ(link.RequestBuffer()[89], 1);
}

// A send worker held up by stopped output outlives the ending procedure: the next attempt
// gives code 2 instead of starting a second writer beside it.
TEST(TransactionWorkers, ASendWorkerThatCannotEndGivesCodeTwo) {
    int master = -1;
    int slave = -1;
    char name[128] = {};
    ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
    DevicePort port;
    MemoryUi ui;
    {
        Transactions link(port, ui);
        ASSERT_TRUE(port.OpenDevicePort(name));
        ASSERT_EQ(tcflow(slave, TCOOFF), 0);
        link.BeginRequest(kRequestAddress, 0x2E);
        for (int i = 0; i < 86; ++i) {
            link.AddRequestByte(0);
        }
        EXPECT_EQ(link.RunTransaction(), kSendWorkerStuck);  // the writer waits 9 s
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].text, kFailed + "Не удалось завершить поток №2");
        port.CloseDevicePort();  // wakes the writer, so the link can end it
    }
    close(master);
    close(slave);
}

}  // namespace
}  // namespace kavrel
