#include "link/exchange_session.h"

#include <gtest/gtest.h>

#include "link/device_port.h"
#include "link/frame.h"
#include "tests/support/memory_ui.h"
#include "tools/kavrel-sim/simulated_unit.h"

namespace kavrel {
namespace {

struct ExchangeSessionTest : ::testing::Test {
    sim::SimulatedUnit unit;  // a terminal for the session's port
    testing::MemoryUi ui;
    DevicePort port;
    ExchangeSession session{ui, port};
};

// Without a window the session goes on with wndMain enabled. Either way the end closes the
// port (one never opened is no trouble) and enables wndMain unless wndInfo stays open.
TEST_F(ExchangeSessionTest, MainWindowRefusesInputDuringTheSessionAndThePortClosesAtTheEnd) {
    for (bool withoutWindow : {false, true}) {
        SCOPED_TRACE(withoutWindow ? "without a window" : "with the window");
        ui.failWindows = withoutWindow;
        session.BeginExchangeSession();
        EXPECT_EQ(ui.IsMainWindowEnabled(), withoutWindow);
        ASSERT_TRUE(port.OpenDevicePort(unit.SlavePath()));
        session.EndExchangeSession();
        EXPECT_TRUE(ui.IsMainWindowEnabled());
        EXPECT_FALSE(port.IsDevicePortOpen());
    }
    ui.failWindows = false;
    session.BeginExchangeSession();
    ASSERT_TRUE(ui.OpenInfoWindow());
    session.EndExchangeSession();
    EXPECT_FALSE(ui.exchangeWindowOpen);
    EXPECT_FALSE(ui.IsMainWindowEnabled());
}

TEST_F(ExchangeSessionTest, AnimationTurnsFromOneToElevenThenZeroUntilTheEnd) {
    session.BeginExchangeSession();  // the window opens on frame 0
    for (int wait = 0; wait < 2000 && ui.AnimationFrames().size() < 13; ++wait) {
        std::this_thread::sleep_for(10ms);
    }
    const auto start = std::chrono::steady_clock::now();
    session.EndExchangeSession();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    const std::vector<int> frames = ui.AnimationFrames();
    ASSERT_GE(frames.size(), 13u);
    EXPECT_EQ(std::vector(frames.begin(), frames.begin() + 13),
              (std::vector{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 0}));
    std::this_thread::sleep_for(400ms);
    EXPECT_EQ(ui.AnimationFrames(), frames) << "a frame changed after the session ended";
}

}  // namespace
}  // namespace kavrel
