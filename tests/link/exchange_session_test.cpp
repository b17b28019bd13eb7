#include "link/exchange_session.h"

#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "link/device_port.h"
#include "tests/support/memory_ui.h"

namespace kavrel {
namespace {

using Clock = std::chrono::steady_clock;
using testing::MemoryUi;

// A pseudo-terminal the session's port can open and hold.
class OpenablePort {
  public:
    OpenablePort() {
        char name[256] = {};
        if (openpty(&master_, &slave_, name, nullptr, nullptr) == 0) {
            path_ = name;
        }
    }
    ~OpenablePort() {
        close(master_);
        close(slave_);
    }
    const std::string& Path() const { return path_; }

  private:
    int master_ = -1;
    int slave_ = -1;
    std::string path_;
};

// Waits (generously) until the animation has shown at least `count` frames.
std::vector<int> FramesAfter(const MemoryUi& ui, size_t count) {
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (ui.AnimationFrames().size() < count && Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return ui.AnimationFrames();
}

class ExchangeSessionTest : public ::testing::Test {
  protected:
    MemoryUi ui;
    DevicePort port;
    OpenablePort pty;
    ExchangeSession session{ui, port};
};

TEST_F(ExchangeSessionTest, MainWindowRefusesInputOnlyWhileTheSessionRuns) {
    session.BeginExchangeSession();
    EXPECT_TRUE(ui.exchangeWindowOpen);
    EXPECT_FALSE(ui.IsMainWindowEnabled());
    ASSERT_TRUE(port.OpenDevicePort(pty.Path()));

    session.EndExchangeSession();
    EXPECT_FALSE(ui.exchangeWindowOpen);
    EXPECT_TRUE(ui.IsMainWindowEnabled());
    EXPECT_FALSE(port.IsDevicePortOpen());
}

TEST_F(ExchangeSessionTest, AnimationTurnsFromFrameOneToElevenAndBackToZero) {
    session.BeginExchangeSession();
    const std::vector<int> frames = FramesAfter(ui, 15);
    session.EndExchangeSession();

    ASSERT_GE(frames.size(), 15u);
    for (size_t i = 0; i < frames.size(); ++i) {
        ASSERT_EQ(frames[i], static_cast<int>(i % 12)) << "at change " << i;
    }
}

TEST_F(ExchangeSessionTest, EndStopsTheAnimationAtOnce) {
    session.BeginExchangeSession();
    FramesAfter(ui, 3);
    const auto start = Clock::now();
    session.EndExchangeSession();
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1000));

    const size_t shown = ui.AnimationFrames().size();
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    EXPECT_EQ(ui.AnimationFrames().size(), shown) << "a frame changed after the session ended";
}

TEST_F(ExchangeSessionTest, MainWindowStaysDisabledWhileInformationWindowIsOpen) {
    session.BeginExchangeSession();
    ASSERT_TRUE(ui.OpenInfoWindow());
    session.EndExchangeSession();
    EXPECT_FALSE(ui.exchangeWindowOpen);
    EXPECT_FALSE(ui.IsMainWindowEnabled());
}

TEST_F(ExchangeSessionTest, SessionWithoutWindowKeepsMainWindowEnabledAndClosesThePort) {
    ui.failWindows = true;
    session.BeginExchangeSession();
    EXPECT_TRUE(ui.IsMainWindowEnabled());
    ASSERT_TRUE(port.OpenDevicePort(pty.Path()));

    session.EndExchangeSession();
    EXPECT_TRUE(ui.IsMainWindowEnabled());
    EXPECT_FALSE(port.IsDevicePortOpen());
    EXPECT_TRUE(ui.AnimationFrames().empty());
}

TEST_F(ExchangeSessionTest, PortNeverOpenedIsLeftClosed) {
    session.BeginExchangeSession();
    session.EndExchangeSession();
    EXPECT_FALSE(port.IsDevicePortOpen());
    EXPECT_TRUE(ui.IsMainWindowEnabled());
}

TEST_F(ExchangeSessionTest, SessionsFollowOneAnother) {
    for (int i = 0; i < 3; ++i) {
        session.BeginExchangeSession();
        ASSERT_TRUE(port.OpenDevicePort(pty.Path()));
        EXPECT_EQ(FramesAfter(ui, 2)[1], 1) << "each session's animation starts at frame 1";
        session.EndExchangeSession();
        EXPECT_TRUE(ui.IsMainWindowEnabled());
        EXPECT_FALSE(port.IsDevicePortOpen());
    }
    EXPECT_EQ(ui.exchangeWindowOpenings, 3);
}

// A window that refuses to close keeps wndMain as it is, but the port still closes.
class StuckWindowUi : public MemoryUi {
  public:
    bool CloseExchangeWindow() override { return false; }
};

TEST(ExchangeSessionStuckWindowTest, WindowThatStaysKeepsMainWindowDisabled) {
    StuckWindowUi ui;
    DevicePort port;
    OpenablePort pty;
    ExchangeSession session(ui, port);
    session.BeginExchangeSession();
    ASSERT_TRUE(port.OpenDevicePort(pty.Path()));
    session.EndExchangeSession();
    EXPECT_FALSE(ui.IsMainWindowEnabled());
    EXPECT_FALSE(port.IsDevicePortOpen());
}

}  // namespace
}  // namespace kavrel
