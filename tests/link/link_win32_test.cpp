// The Windows port and transactions under wine, against kavrel-sim on the Linux side of the
// COM port named by KAVREL_TEST_PORT, which the prefix's device list shows as a CH340 cable.
// The simulator never answers command 47. Exclusive access cannot be seen here (wine lets a
// COM port be opened twice); the Linux suites pin it. The road through Zorvik.exe is met
// through kavrelctl.exe and the window.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "link/device_port.h"
#include "link/transaction.h"
#include "tests/support/memory_ui.h"

namespace kavrel {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

std::string TestPort() {
    const char* name = std::getenv("KAVREL_TEST_PORT");
    return name ? name : "";
}

TEST(DevicePortWin32, OpensBackslashBackslashDotNameCutToFiftyNineCharacters) {
    EXPECT_EQ(DevicePort::PathOf("COM3"), "\\\\.\\COM3");
    EXPECT_EQ(DevicePort::PathOf(std::string(70, 'C')), "\\\\.\\" + std::string(59, 'C'));
    ASSERT_FALSE(TestPort().empty()) << "KAVREL_TEST_PORT names no port";
    DevicePort port;
    EXPECT_FALSE(port.OpenDevicePort(""));
    EXPECT_FALSE(port.OpenDevicePort("COM99"));
    ASSERT_TRUE(port.OpenDevicePort(TestPort()));
    port.CloseDevicePort();
    port.CloseDevicePort();
    uint8_t byte = 1;
    EXPECT_EQ(port.WriteBytes(&byte, 1) + port.AvailableBytes() + port.ReadBytes(&byte, 1), 0);
}

// A sound answer, then a unit that stays silent: three attempts of 15 + 500 ms each.
TEST(TransactionsWin32, AnswerAndSilenceThroughTheComPort) {
    DevicePort port;
    ASSERT_TRUE(port.OpenDevicePort(TestPort()));
    testing::MemoryUi ui;
    Transactions link(port, ui);
    link.BeginRequest(kRequestAddress, 46);
    link.AddRequestByte(0);
    ASSERT_EQ(link.RunTransaction(), TransactionResult::Ok);
    EXPECT_EQ(link.ResponseBuffer()[kDataByteOffset], 2);  // its class

    link.BeginRequest(kRequestAddress, 47);
    link.AddRequestByte(0);
    const auto start = Clock::now();
    EXPECT_EQ(link.RunTransaction(), TransactionResult::NoResponse);
    EXPECT_GE(Clock::now() - start, 1500ms);
    EXPECT_LT(Clock::now() - start, 10s);  // generous: wine on a busy machine is slow
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Выполнить команду не удалось!!!\nУстройство не отвечает");
}

// A worker waiting on the quiet line keeps off the port once it is closed under it, and
// leaves its wait as soon as it is asked to stop.
TEST(DevicePortWin32, AWaitingWorkerOutlivesTheCloseAndEndsOnStop) {
    DevicePort port;
    ASSERT_TRUE(port.OpenDevicePort(TestPort()));
    const auto start = Clock::now();
    std::jthread worker([&](std::stop_token stop) { EXPECT_FALSE(port.WaitReadable(20s, stop)); });
    std::this_thread::sleep_for(100ms);  // into its wait
    port.CloseDevicePort();
    std::this_thread::sleep_for(100ms);
    worker.request_stop();
    worker.join();
    EXPECT_LT(Clock::now() - start, 5s);
    EXPECT_TRUE(port.OpenDevicePort(TestPort()));  // released
}

}  // namespace
}  // namespace kavrel
