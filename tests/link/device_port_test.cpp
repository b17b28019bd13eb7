#include "link/device_port.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <thread>

#include "tests/support/scratch_folder.h"
#include "tools/kavrel-sim/simulated_unit.h"

namespace kavrel {
namespace {

using namespace std::chrono_literals;

// Runs the check in a child, optionally as the ordinary user nobody; its exit code.
int InChild(bool asNobody, const std::function<int()>& check) {
    const pid_t child = fork();
    if (child == 0) {
        _exit(asNobody && getuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0) ? 99
                                                                                      : check());
    }
    int status = -1;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100;
}

// The name comes from a text file: whatever it names that is not a cable's terminal is
// refused without being opened (a writer's open of the FIFO would show as a hang-up on our
// reader), and so is the operator's own terminal, "tty" or by name: the child runs in a
// session of its own with a pseudo-terminal as its controlling terminal. Exit: the first
// path taken.
TEST(DevicePortOpen, RefusesWhatIsNotACableTerminalWithoutOpeningIt) {
    testing::ScratchFolder folder;
    folder.Write("file", "contents");
    ASSERT_EQ(mkfifo((folder / "fifo").c_str(), 0600), 0);
    const int fifo = open((folder / "fifo").c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    int sockets[2] = {-1, -1}, master = -1, slave = -1;
    char tty[128] = {};
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, sockets), 0);
    ASSERT_EQ(openpty(&master, &slave, tty, nullptr, nullptr), 0);
    const std::string paths[] = {"",
                                 folder / "file",
                                 folder.Path(),
                                 "/dev/null",
                                 "/proc/self/fd/" + std::to_string(sockets[0]),
                                 folder / "fifo",
                                 "tty",
                                 tty};
    EXPECT_EQ(InChild(false,
                      [&] {
                          setsid();
                          ioctl(slave, TIOCSCTTY, 0);
                          DevicePort port;
                          const auto taken =
                              std::find_if(std::begin(paths), std::end(paths),
                                           [&](auto& p) { return port.OpenDevicePort(p); });
                          return static_cast<int>(taken - paths);
                      }),
              std::size(paths));
    pollfd reader{fifo, POLLIN, 0};
    EXPECT_EQ(poll(&reader, 1, 0), 0) << "the FIFO was opened";
    for (int fd : {fifo, sockets[0], sockets[1], master, slave}) {
        close(fd);
    }
}

// The line is set and read back: 19200 baud, 8N1, no handshake, raw. The unit's side of
// the pseudo-terminal sees the same settings; it starts cooked, at another speed. The path
// is cut to 59 characters, so only a link of exactly that length reaches the unit.
TEST(DevicePortOpen, SetsTheLineTo19200Baud8N1Raw) {
    sim::SimulatedUnit unit;
    testing::ScratchFolder folder;
    const std::string link = folder.Path() + std::string(59 - folder.Path().size(), 'p');
    std::filesystem::create_symlink(unit.SlavePath(), link);
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
    ASSERT_TRUE(port.OpenDevicePort(link + "-and-more"));
    ASSERT_EQ(tcgetattr(unitSide, &line), 0);
    EXPECT_EQ(cfgetispeed(&line), B19200);
    EXPECT_EQ(cfgetospeed(&line), B19200);
    EXPECT_EQ(line.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS), CS8);
    EXPECT_EQ(line.c_iflag & (ICRNL | IXON | ISTRIP), 0u);
    EXPECT_EQ(line.c_oflag & OPOST, 0u);
    EXPECT_EQ(line.c_lflag & (ICANON | ECHO | ISIG), 0u);
    close(unitSide);
}

// A second opener is refused and leaves the holder's line alone; replacing or closing lets
// the device go, and a closed port (closed twice, harmlessly) moves no bytes, not even
// waiting ones. Root ignores a terminal's exclusive mode, which the simulator's own open
// slave keeps alive past our close, so this runs as root and as nobody. A name under /dev
// ("pts/N") is taken too. Exit: the failed step.
int ExclusiveUntilReplacedOrClosed() {
    sim::SimulatedUnit a;
    sim::SimulatedUnit b;
    DevicePort first;
    DevicePort second;
    uint8_t buffer[3] = {};
    a.SendUnasked({1});
    const bool steps[] = {
        first.OpenDevicePort(a.SlavePath()),
        !second.OpenDevicePort(a.SlavePath()),
        first.WaitReadable(3s, {}),
        first.OpenDevicePort(b.SlavePath()),
        first.AvailableBytes() == 0,  // a's byte stays behind
        second.OpenDevicePort(a.SlavePath().substr(5)),
        (b.SendUnasked({1, 2, 3}), first.WaitReadable(3s, {})),
        (first.CloseDevicePort(), first.CloseDevicePort(), first.AvailableBytes() == 0),
        first.ReadBytes(buffer, 1) == 0,
        first.WriteBytes(buffer, 3) == 0,
        second.OpenDevicePort(b.SlavePath())};
    return static_cast<int>(std::find(std::begin(steps), std::end(steps), false) - steps) + 1;
}

TEST(DevicePortOpen, IsExclusiveUntilReplacedOrClosedForRootAndOrdinaryUsers) {
    for (bool asNobody : {false, true}) {
        EXPECT_EQ(InChild(asNobody, ExclusiveUntilReplacedOrClosed), 12) << "nobody " << asNobody;
    }
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
    std::this_thread::sleep_for(100ms);                                     // into its wait
    port.CloseDevicePort();
    writer.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    close(slave);
}

}  // namespace
}  // namespace kavrel
