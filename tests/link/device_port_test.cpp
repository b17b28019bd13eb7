#include "link/device_port.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <thread>

#include "link/frame.h"
#include "tests/support/scratch_folder.h"
#include "tools/kavrel-sim/simulated_unit.h"

namespace kavrel {
namespace {

TEST(DevicePortOpen, TakesPathsAndNamesUnderDevCutToFiftyNineCharacters) {
    sim::SimulatedUnit unit;
    testing::ScratchFolder folder;
    const std::string link = folder.Path() + std::string(59 - folder.Path().size(), 'p');
    std::filesystem::create_symlink(unit.SlavePath(), link);
    DevicePort port;
    EXPECT_FALSE(port.OpenDevicePort(""));
    EXPECT_TRUE(port.OpenDevicePort(link + "-and-more"));
    port.CloseDevicePort();
    EXPECT_TRUE(port.OpenDevicePort(unit.SlavePath().substr(5)));  // "pts/N"
}

// The name comes from a text file: whatever it names that is not a terminal is refused at
// once. Nobody holds the FIFO open, so a blocking open would hang until the alarm.
TEST(DevicePortOpen, RefusesWhatIsNotATerminalWithoutBlocking) {
    testing::ScratchFolder folder;
    folder.Write("file", "contents");
    ASSERT_EQ(mkfifo((folder / "fifo").c_str(), 0600), 0);
    int sockets[2] = {-1, -1};
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, sockets), 0);
    const std::string socket = "/proc/self/fd/" + std::to_string(sockets[0]);
    DevicePort port;
    alarm(10);
    for (const std::string& path : {folder / "file", folder.Path(), folder / "fifo", socket}) {
        EXPECT_FALSE(port.OpenDevicePort(path)) << path;
    }
    alarm(0);
    close(sockets[0]);
    close(sockets[1]);
}

// A port list naming "tty", or the terminal the configurator was started from, must not
// turn the operator's terminal into a 19200-baud raw line. A child of its own session gets
// a pseudo-terminal as its controlling terminal and tries both names.
TEST(DevicePortOpen, RefusesTheControllingTerminal) {
    int master = -1;
    int slave = -1;
    char name[128] = {};
    ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
    {
        DevicePort port;  // for anyone else the same terminal is an ordinary line
        EXPECT_TRUE(port.OpenDevicePort(name));
    }
    const pid_t child = fork();
    if (child == 0) {
        setsid();
        ioctl(slave, TIOCSCTTY, 0);
        termios before{};  // a line in the state a shell keeps it: nothing like ours
        tcgetattr(slave, &before);
        before.c_lflag |= ICANON | ECHO;
        cfsetospeed(&before, B38400);
        tcsetattr(slave, TCSANOW, &before);
        DevicePort port;
        const bool refused = !port.OpenDevicePort("tty") && !port.OpenDevicePort(name);
        termios after{};
        tcgetattr(slave, &after);
        const bool untouched =
            after.c_lflag == before.c_lflag && cfgetospeed(&after) == cfgetospeed(&before);
        std::_Exit(refused && untouched ? 0 : 1);
    }
    int status = -1;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    close(master);
    close(slave);
}

// The line is set and read back: 19200 baud, 8N1, no handshake, raw. The unit's side of
// the pseudo-terminal sees the same settings; it starts cooked, at another speed.
TEST(DevicePortOpen, SetsTheLineTo19200Baud8N1Raw) {
    sim::SimulatedUnit unit;
    const int unitSide = open(unit.SlavePath().c_str(), O_RDWR | O_NOCTTY);  // before the port
    termios line{};
    ASSERT_EQ(tcgetattr(unitSide, &line), 0);
    line.c_iflag |= ICRNL | IXON;
    line.c_oflag |= OPOST;
    line.c_lflag |= ICANON | ECHO | ISIG;
    line.c_cflag |= PARENB | CSTOPB;
    cfsetspeed(&line, B9600);
    ASSERT_EQ(tcsetattr(unitSide, TCSANOW, &line), 0);

    DevicePort port;
    ASSERT_TRUE(port.OpenDevicePort(unit.SlavePath()));
    ASSERT_EQ(tcgetattr(unitSide, &line), 0);
    EXPECT_EQ(cfgetispeed(&line), B19200);
    EXPECT_EQ(cfgetospeed(&line), B19200);
    EXPECT_EQ(line.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS), CS8);
    EXPECT_EQ(line.c_iflag & (ICRNL | IXON | ISTRIP), 0u);
    EXPECT_EQ(line.c_oflag & OPOST, 0u);
    EXPECT_EQ(line.c_lflag & (ICANON | ECHO | ISIG), 0u);
    close(unitSide);
}

// A refused opener leaves the holder's line alone; replacing or closing lets the device go,
// and a closed port (closed twice, harmlessly) moves no bytes, not even waiting ones.
TEST(DevicePortOpen, IsExclusiveUntilReplacedOrClosed) {
    sim::SimulatedUnit a;
    sim::SimulatedUnit b;
    DevicePort first;
    DevicePort second;
    ASSERT_TRUE(first.OpenDevicePort(a.SlavePath()));
    EXPECT_FALSE(second.OpenDevicePort(a.SlavePath()));
    a.SendUnasked({1});
    EXPECT_TRUE(first.WaitReadable(3s, {}));
    ASSERT_TRUE(first.OpenDevicePort(b.SlavePath()));
    EXPECT_EQ(first.AvailableBytes(), 0);  // a's byte stays behind
    EXPECT_TRUE(second.OpenDevicePort(a.SlavePath()));

    b.SendUnasked({1, 2, 3});
    ASSERT_TRUE(first.WaitReadable(3s, {}));
    first.CloseDevicePort();
    first.CloseDevicePort();
    uint8_t buffer[3] = {};
    EXPECT_EQ(first.AvailableBytes(), 0);
    EXPECT_EQ(first.ReadBytes(buffer, 1), 0);
    EXPECT_EQ(first.WriteBytes(buffer, 3), 0);
    EXPECT_TRUE(second.OpenDevicePort(b.SlavePath()));
}

// The simulator keeps its own slave descriptor open, so the terminal outlives our close.
// For an ordinary user the terminal's exclusive mode would then refuse every later open;
// the port clears it when it lets go. (Root ignores that mode; a child runs as nobody.)
TEST(DevicePortOpen, ReopensBesideTheSimulatorAsAnOrdinaryUser) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const bool ordinary = getuid() != 0 || (setgid(65534) == 0 && setuid(65534) == 0);
        sim::SimulatedUnit unit;
        const std::string& path = unit.SlavePath();
        DevicePort a;
        DevicePort b;
        const bool refused = a.OpenDevicePort(path) && !b.OpenDevicePort(path);
        a.CloseDevicePort();
        const bool reopened = b.OpenDevicePort(path);
        b.CloseDevicePort();
        _exit(ordinary && refused && reopened && a.OpenDevicePort(path) ? 0 : 1);
    }
    int status = -1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_EQ(status, 0);
}

// Held output: a write gives up after 100 ms x 5 + 10 ms, and a close wakes a longer one.
TEST(DevicePortWrite, HeldOutputTimesOutAWriteAndClosingWakesIt) {
    sim::SimulatedUnit unit;
    const int slave = open(unit.SlavePath().c_str(), O_RDWR | O_NOCTTY);  // before the port
    DevicePort port;
    ASSERT_TRUE(port.OpenDevicePort(unit.SlavePath()));
    ASSERT_EQ(tcflow(slave, TCOOFF), 0);
    const uint8_t block[80] = {};
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(port.WriteBytes(block, 5), 0);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 450ms);
    std::thread writer([&] { EXPECT_EQ(port.WriteBytes(block, 80), 0); });  // would take 8 s
    std::this_thread::sleep_for(100ms);
    port.CloseDevicePort();
    writer.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    close(slave);
}

}  // namespace
}  // namespace kavrel
