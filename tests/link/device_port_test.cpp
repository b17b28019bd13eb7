#include "link/device_port.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "tools/kavrel-sim/simulated_unit.h"

namespace kavrel {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double ThreadCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// A fresh pseudo-terminal pair per test: the port opens the slave by its path, the test
// plays the device on the master.
class PtyLine {
  public:
    PtyLine() {
        char name[128] = {};
        EXPECT_EQ(openpty(&master_, &slave_, name, nullptr, nullptr), 0);
        path_ = name;
        termios raw{};
        tcgetattr(master_, &raw);
        cfmakeraw(&raw);
        tcsetattr(master_, TCSANOW, &raw);
    }
    ~PtyLine() {
        CloseMaster();
        CloseSlave();
    }
    PtyLine(const PtyLine&) = delete;
    PtyLine& operator=(const PtyLine&) = delete;

    const std::string& path() const { return path_; }
    int master() const { return master_; }
    int slave() const { return slave_; }
    void CloseMaster() {
        if (master_ >= 0) {
            close(master_);
            master_ = -1;
        }
    }
    void CloseSlave() {
        if (slave_ >= 0) {
            close(slave_);
            slave_ = -1;
        }
    }
    void DeviceSends(std::initializer_list<uint8_t> bytes) {
        const std::vector<uint8_t> v(bytes);
        ASSERT_EQ(write(master_, v.data(), v.size()), static_cast<ssize_t>(v.size()));
    }
    // Waits (bounded) until the configurator's side has `count` bytes waiting.
    static bool WaitForInput(DevicePort& port, int32_t count) {
        const auto deadline = Clock::now() + 3s;
        while (port.AvailableBytes() < count && Clock::now() < deadline) {
            std::this_thread::sleep_for(1ms);
        }
        return port.AvailableBytes() >= count;
    }
    std::vector<uint8_t> DeviceReceives(size_t count) {
        std::vector<uint8_t> got;
        const auto deadline = Clock::now() + 3s;
        while (got.size() < count && Clock::now() < deadline) {
            uint8_t b = 0;
            if (read(master_, &b, 1) == 1) {
                got.push_back(b);
            }
        }
        return got;
    }

  private:
    int master_ = -1;
    int slave_ = -1;
    std::string path_;
};

TEST(DevicePortOpen, OpensByPathAndByNameUnderDev) {
    PtyLine line;
    DevicePort port;
    ASSERT_TRUE(port.OpenDevicePort(line.path()));
    EXPECT_TRUE(port.IsDevicePortOpen());
    port.CloseDevicePort();
    ASSERT_TRUE(port.OpenDevicePort(line.path().substr(std::string("/dev/").size())));
    EXPECT_TRUE(port.IsDevicePortOpen());
}

TEST(DevicePortOpen, AppliesRawLineSettings) {
    PtyLine line;
    DevicePort port;
    ASSERT_TRUE(port.OpenDevicePort(line.path()));
    termios t{};
    ASSERT_EQ(tcgetattr(line.slave(), &t), 0);
    EXPECT_EQ(cfgetospeed(&t), B19200);
    EXPECT_EQ(cfgetispeed(&t), B19200);
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(t.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(t.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
}

TEST(DevicePortOpen, CutsTheNameToFiftyNineCharacters) {
    PtyLine line;
    const std::string folder = "/tmp/kavrel-port-" + std::to_string(getpid());
    std::filesystem::create_directories(folder);
    std::string link = folder + "/";
    link += std::string(59 - link.size(), 'p');
    ASSERT_EQ(link.size(), 59u);
    std::filesystem::create_symlink(line.path(), link);
    DevicePort port;
    EXPECT_TRUE(port.OpenDevicePort(link + "-and-more"));
    std::filesystem::remove_all(folder);
}

TEST(DevicePortOpen, FailsWithoutChangingAnything) {
    DevicePort port;
    EXPECT_FALSE(port.OpenDevicePort(""));
    EXPECT_FALSE(port.OpenDevicePort("ttyKavrelMissing9"));
    EXPECT_FALSE(port.IsDevicePortOpen());

    PtyLine line;
    ASSERT_TRUE(port.OpenDevicePort(line.path()));
    EXPECT_FALSE(port.OpenDevicePort("/dev/ttyKavrelMissing9"));
    EXPECT_TRUE(port.IsDevicePortOpen());
    const uint8_t byte = 0x42;
    EXPECT_EQ(port.WriteBytes(&byte, 1), 1);
    EXPECT_EQ(line.DeviceReceives(1), std::vector<uint8_t>{0x42});
}

// The name comes from a text file: whatever it names that is not a terminal is refused
// at once, and its contents are neither read nor written.
TEST(DevicePortOpen, RefusesWhatIsNotATerminalWithoutTouchingIt) {
    const std::string folder = "/tmp/kavrel-nontty-" + std::to_string(getpid());
    std::filesystem::create_directories(folder);
    const std::string file = folder + "/file";
    std::ofstream(file) << "contents";
    const std::string fifo = folder + "/fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const int fifoKeeper = open(fifo.c_str(), O_RDWR | O_NONBLOCK);
    ASSERT_GE(fifoKeeper, 0);
    ASSERT_EQ(write(fifoKeeper, "xyz", 3), 3);
    const std::string socketPath = folder + "/socket";
    const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    socketPath.copy(address.sun_path, sizeof address.sun_path - 1);
    ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

    DevicePort port;
    const auto start = Clock::now();
    for (const std::string& path : {file, folder, fifo, socketPath, std::string("/dev/null")}) {
        EXPECT_FALSE(port.OpenDevicePort(path)) << path;
        EXPECT_FALSE(port.IsDevicePortOpen()) << path;
    }
    EXPECT_LT(SecondsSince(start), 2.0);

    char fifoData[8] = {};
    EXPECT_EQ(read(fifoKeeper, fifoData, sizeof fifoData), 3);
    std::string contents;
    std::ifstream(file) >> contents;
    EXPECT_EQ(contents, "contents");
    close(fifoKeeper);
    close(sock);
    std::filesystem::remove_all(folder);
}

TEST(DevicePortExclusive, SecondOpenerIsRefusedAndTheFirstStaysUsable) {
    PtyLine line;
    DevicePort first;
    DevicePort second;
    ASSERT_TRUE(first.OpenDevicePort(line.path()));
    EXPECT_FALSE(second.OpenDevicePort(line.path()));
    EXPECT_FALSE(second.IsDevicePortOpen());
    // The same device again through the same port: refused, the open one untouched.
    EXPECT_FALSE(first.OpenDevicePort(line.path()));
    ASSERT_TRUE(first.IsDevicePortOpen());
    line.DeviceSends({0x6E});
    ASSERT_TRUE(PtyLine::WaitForInput(first, 1));
    uint8_t byte = 0;
    EXPECT_EQ(first.ReadBytes(&byte, 1), 1);
    EXPECT_EQ(byte, 0x6E);

    first.CloseDevicePort();
    EXPECT_TRUE(second.OpenDevicePort(line.path()));  // released on close, also reopenable
}

// The simulator keeps its own slave descriptor open, so the terminal outlives our close.
// For an ordinary user the terminal's exclusive mode would then refuse every later open;
// the port clears it when it lets go. (Root ignores that mode; a child runs as nobody.)
TEST(DevicePortExclusive, ReopensBesideTheSimulatorAsAnOrdinaryUser) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (getuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) {
            _exit(10);
        }
        int code = 0;
        {
            sim::SimulatedUnit unit;
            DevicePort a;
            DevicePort b;
            if (!a.OpenDevicePort(unit.SlavePath())) {
                code = 1;
            } else if (b.OpenDevicePort(unit.SlavePath())) {
                code = 2;
            } else {
                a.CloseDevicePort();
                if (!b.OpenDevicePort(unit.SlavePath())) {
                    code = 3;
                }
                b.CloseDevicePort();
                if (code == 0 && !a.OpenDevicePort(unit.SlavePath())) {
                    code = 4;
                }
            }
        }
        _exit(code);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1 first open, 2 second opener let in, 3/4 reopen";
}

TEST(DevicePortExclusive, ReplacingOpenReleasesTheOldDeviceAfterwards) {
    PtyLine a;
    PtyLine b;
    DevicePort port;
    ASSERT_TRUE(port.OpenDevicePort(a.path()));
    ASSERT_TRUE(port.OpenDevicePort(b.path()));
    DevicePort other;
    EXPECT_TRUE(other.OpenDevicePort(a.path()));
    const uint8_t byte = 0x11;
    EXPECT_EQ(port.WriteBytes(&byte, 1), 1);
    EXPECT_EQ(b.DeviceReceives(1), std::vector<uint8_t>{0x11});
}

TEST(DevicePortClose, CloseTwiceAndInputOutputAfterCloseDoNothing) {
    PtyLine line;
    DevicePort port;
    port.CloseDevicePort();
    ASSERT_TRUE(port.OpenDevicePort(line.path()));
    line.DeviceSends({1, 2, 3});
    ASSERT_TRUE(PtyLine::WaitForInput(port, 3));
    port.CloseDevicePort();
    port.CloseDevicePort();
    EXPECT_FALSE(port.IsDevicePortOpen());
    uint8_t buffer[4] = {};
    const uint8_t request[] = {0x6E, 0xFF, 0x2E, 0x00, 0x65};
    EXPECT_EQ(port.AvailableBytes(), 0);
    EXPECT_EQ(port.ReadBytes(buffer, 1), 0);
    EXPECT_EQ(port.WriteBytes(request, 5), 0);
    const auto start = Clock::now();
    EXPECT_FALSE(port.WaitReadable(300ms, {}));
    EXPECT_GE(SecondsSince(start), 0.25);  // a closed port is waited out, never spun on
}

TEST(DevicePortIo, ReadsOneWaitingByteAtOnceAndWritesWholeBlocks) {
    PtyLine line;
    DevicePort port;
    ASSERT_TRUE(port.OpenDevicePort(line.path()));
    const uint8_t request[] = {0x6E, 0xFF, 0x2E, 0x00, 0x65};
    EXPECT_EQ(port.WriteBytes(request, 5), 5);
    EXPECT_EQ(line.DeviceReceives(5), std::vector<uint8_t>(request, request + 5));

    EXPECT_EQ(port.AvailableBytes(), 0);
    line.DeviceSends({0x6E, 0xFF});
    ASSERT_TRUE(PtyLine::WaitForInput(port, 2));
    uint8_t byte = 0;
    EXPECT_EQ(port.ReadBytes(&byte, 1), 1);
    EXPECT_EQ(byte, 0x6E);
    EXPECT_EQ(port.AvailableBytes(), 1);
    EXPECT_EQ(port.ReadBytes(&byte, 1), 1);
    EXPECT_EQ(byte, 0xFF);
    EXPECT_EQ(port.ReadBytes(&byte, 1), 0);  // nothing waiting: returns, does not block
}

TEST(DevicePortIo, WriteOnHeldOutputEndsAfterItsTimeOutWithTheCountWritten) {
    PtyLine line;
    DevicePort port;
    ASSERT_TRUE(port.OpenDevicePort(line.path()));
    ASSERT_EQ(tcflow(line.slave(), TCOOFF), 0);
    const uint8_t request[] = {0x6E, 0xFF, 0x2E, 0x00, 0x65};
    const auto start = Clock::now();
    EXPECT_EQ(port.WriteBytes(request, 5), 0);
    const double took = SecondsSince(start);
    EXPECT_GE(took, 0.45);  // 100 ms x 5 + 10 ms
    EXPECT_LT(took, 3.0);
    tcflow(line.slave(), TCOON);
}

TEST(DevicePortIo, ClosingWakesAWriteWaitingOnHeldOutput) {
    PtyLine line;
    DevicePort port;
    ASSERT_TRUE(port.OpenDevicePort(line.path()));
    ASSERT_EQ(tcflow(line.slave(), TCOOFF), 0);
    std::vector<uint8_t> block(80, 0x55);  // would wait 8 s
    int32_t written = -1;
    const auto start = Clock::now();
    std::thread writer([&] { written = port.WriteBytes(block.data(), 80); });
    std::this_thread::sleep_for(100ms);
    port.CloseDevicePort();
    writer.join();
    EXPECT_EQ(written, 0);
    EXPECT_LT(SecondsSince(start), 3.0);
    // Nothing reaches the line afterwards either.
    tcflow(line.slave(), TCOON);
    std::this_thread::sleep_for(50ms);
    int waiting = -1;
    ioctl(line.master(), FIONREAD, &waiting);
    EXPECT_EQ(waiting, 0);
}

TEST(DevicePortWait, WakesOnInputOnStopAndOnClose) {
    PtyLine line;
    DevicePort port;
    ASSERT_TRUE(port.OpenDevicePort(line.path()));

    line.DeviceSends({0x6E});
    EXPECT_TRUE(port.WaitReadable(10s, {}));

    uint8_t byte = 0;
    ASSERT_EQ(port.ReadBytes(&byte, 1), 1);
    std::stop_source stop;
    auto start = Clock::now();
    std::thread stopper([&] {
        std::this_thread::sleep_for(50ms);
        stop.request_stop();
    });
    EXPECT_FALSE(port.WaitReadable(10s, stop.get_token()));
    stopper.join();
    EXPECT_LT(SecondsSince(start), 3.0);

    start = Clock::now();
    std::thread closer([&] {
        std::this_thread::sleep_for(50ms);
        port.CloseDevicePort();
    });
    std::stop_source never;
    EXPECT_FALSE(port.WaitReadable(500ms, never.get_token()));
    closer.join();
    EXPECT_GE(SecondsSince(start), 0.45);  // after the close only the time-out ends it
    EXPECT_LT(SecondsSince(start), 3.0);
}

TEST(DevicePortWait, AHungUpLineNeverBecomesABusyLoop) {
    PtyLine line;
    DevicePort port;
    ASSERT_TRUE(port.OpenDevicePort(line.path()));
    line.CloseMaster();
    line.CloseSlave();  // nobody but the port holds the line now
    const double cpuBefore = ThreadCpuSeconds();
    const auto start = Clock::now();
    EXPECT_FALSE(port.WaitReadable(400ms, {}));
    EXPECT_GE(SecondsSince(start), 0.35);
    EXPECT_EQ(port.AvailableBytes(), 0);
    uint8_t byte = 0;
    EXPECT_EQ(port.ReadBytes(&byte, 1), 0);
    EXPECT_LT(ThreadCpuSeconds() - cpuBefore, 0.2);
}

}  // namespace
}  // namespace kavrel
