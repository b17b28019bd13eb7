// The serial port, frames and transactions against a simulated unit on a real pseudo-terminal.
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
#include <ctime>
#include <functional>
#include <iterator>
#include <thread>
#include <tuple>
#include <utility>

#include "link/transaction.h"
#include "tests/support/memory_ui.h"
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
    const std::string socketPath = "/proc/self/fd/" + std::to_string(sockets[0]);
    const std::string paths[] = {"",         folder / "file", folder.Path(), "/dev/null",
                                 socketPath, folder / "fifo", "tty",         tty};
    const int taken = InChild(false, [&] {
        setsid();
        ioctl(slave, TIOCSCTTY, 0);
        DevicePort port;
        return static_cast<int>(
            std::ranges::find_if(paths, [&](auto& p) { return port.OpenDevicePort(p); }) - paths);
    });
    EXPECT_EQ(taken, std::size(paths));
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
    EXPECT_TRUE(cfgetispeed(&line) == B19200 && cfgetospeed(&line) == B19200);
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

using R = TransactionResult;
using Outcome = std::pair<R, int>;  // the result and the data byte of a sound answer

constexpr uint8_t kGetClass = 46;    // the unit answers its class, 2
constexpr uint8_t kGetVersion = 47;  // the unit answers its firmware version, 7

// What the simulated unit never answers: a wrong 90th byte, 91 bytes, the shortest answers.
TEST(CheckResponse, TakesTheNinetiethByteAsChecksum) {
    std::vector<uint8_t> ninety(90, 0x6E), ninetyBad(90, 0x6E);  // 6E 6E ... 6E C2
    ninety.back() = 0xC2;
    ninetyBad.back() = 0xC3;
    const std::tuple<std::vector<uint8_t>, int32_t, R> cases[] = {
        {ninety, 90, R::Ok},      {ninetyBad, 90, R::BadChecksum}, {ninety, 91, R::BadLength},
        {{0x6E, 0x92}, 2, R::Ok}, {{0x6E}, 1, R::BadLength},       {{}, 0, R::BadStartByte}};
    for (auto [bytes, length, result] : cases) {
        bytes.resize(kFrameBufferSize);
        EXPECT_EQ(CheckResponse(bytes.data(), length), result) << "length " << length;
    }
}

// The texts the operator reads for each result, spelled out once here.
TEST(FailureText, EachResultHasItsOwnBox) {
    const std::pair<R, std::string> cases[] = {
        {R::PortClosed, "Ошибка: COM-порт закрылся во время сеанса. Повторите Сеанс!"},
        {R::SendWorkerStuck, "Ошибка: Не удалось завершить поток №2"},
        {R::ReceiveWorkerStuck, "Ошибка: Не удалось завершить поток №3"},
        {R::NoResponse, "Ошибка: Устройство не отвечает"},
        {R::BadStartByte, "Ошибка: Некорректный ответ.Ошибка №5"},
        {R::BadChecksum, "Ошибка: Некорректный ответ.Ошибка №6"},
        {R::BadLength, "Ошибка: Некорректный ответ.Ошибка №7"},
        {R::CancelledByUser, "Внимание: Операция прервана пользователем"}};
    for (auto [result, box] : cases) {
        EXPECT_EQ(FailureTitle(result) + ": " + FailureText(result),
                  box.insert(box.find(' ') + 1, "Выполнить команду не удалось!!!\n"));
    }
}

// A request that fills 90 bytes leaves no room for its checksum: each of the three
// attempts sends the 90 bytes alone (read on the other side of a bare pseudo-terminal).
TEST(Transactions, ARequestStopsAtNinetyBytes) {
    int master = -1, slave = -1;
    char name[128] = {};
    ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
    close(slave);
    DevicePort port;
    ASSERT_TRUE(port.OpenDevicePort(name));
    testing::MemoryUi ui;
    Transactions link(port, ui);
    link.BeginRequest(kRequestAddress, kGetClass);
    for (int i = 0; i < 100; ++i) {
        link.AddRequestByte(1);
    }
    link.RunTransaction();  // nobody answers
    uint8_t sent[400] = {};
    ASSERT_EQ(read(master, sent, 400), 270);
    EXPECT_EQ(std::vector(sent + 87, sent + 93),
              (std::vector<uint8_t>{1, 1, 1, 0x6E, 0xFF, kGetClass}));
    close(master);
}

// A configurator's link against a simulated unit on a real pseudo-terminal.
struct TransactionTest : ::testing::Test {
    void SetUp() override { ASSERT_TRUE(port.OpenDevicePort(unit.SlavePath())); }
    Outcome Ask(uint8_t command) {
        link.BeginRequest(kRequestAddress, command);
        link.AddRequestByte(0);
        const R result = link.RunTransaction();
        return {result, result == R::Ok ? link.ResponseBuffer()[2] : -1};
    }
    // The one box of a result, as "title: text".
    static std::vector<std::string> Boxes(R r) { return {FailureTitle(r) + ": " + FailureText(r)}; }

    sim::SimulatedUnit unit;
    DevicePort port;
    testing::MemoryUi ui;
    Transactions link{port, ui};
};

// Each answer as the unit gives it: the request goes out unchanged, up to three times, and a
// failure ends in one box with the result's own text. An answer within 500 ms (450) is
// taken; a later one (550) is not, so the request goes out again; one over 90 bytes is
// checked over its first 90.
TEST_F(TransactionTest, EachAnswerIsTakenOrFailsThreeIdenticalAttemptsWithOneBox) {
    using F = sim::FaultKind;
    const std::tuple<F, int, int, R, size_t> cases[] = {
        // the unit's fault, its figure, for how many answers; the result, requests sent
        {F::NoAnswer, 0, -1, R::NoResponse, 3},
        {F::BadStartByte, 0, -1, R::BadStartByte, 3},
        {F::BadChecksum, 0, -1, R::BadChecksum, 3},
        {F::OneByte, 0, -1, R::BadLength, 3},
        {F::Noise, 0, -1, R::BadStartByte, 3},
        {F::OverLong, 120, -1, R::Ok, 1},
        {F::Delay, 450, 1, R::Ok, 1},
        {F::Delay, 550, 1, R::Ok, 2}};
    for (const auto& [fault, figure, answers, result, requests] : cases) {
        SCOPED_TRACE(FailureText(result) + " " + std::to_string(figure));
        unit.ClearFaults();
        unit.ClearLog();
        unit.AddFault({kGetClass, fault, figure, answers});
        EXPECT_EQ(Ask(kGetClass), Outcome(result, result == R::Ok ? 2 : -1));
        EXPECT_EQ(ui.TakeBoxes(), result == R::Ok ? std::vector<std::string>{} : Boxes(result));
        EXPECT_EQ(unit.LoggedCommands(), std::vector<uint8_t>(requests, kGetClass));
        EXPECT_EQ(unit.Log().back().bytes, (std::vector<uint8_t>{0x6E, 0xFF, 0x2E, 0x00, 0x65}));
    }
}

// An answer 650 ms late lands after the second attempt got its own; it then waits as stale
// input, which the next transaction drops before it sends.
TEST_F(TransactionTest, ALateAnswerNeverReachesTheNextResponse) {
    unit.AddFault({kGetClass, sim::FaultKind::Delay, 650, 1});
    EXPECT_EQ(Ask(kGetClass), Outcome(R::Ok, 2));
    ASSERT_TRUE(port.WaitReadable(2s, {}));  // the stale answer arrives
    EXPECT_EQ(Ask(kGetVersion), Outcome(R::Ok, 7));
    EXPECT_TRUE(ui.messages.empty());
}

// The answer starts late enough for the receive worker to be waiting even when threads
// start slowly (sanitizers). Its tail comes 2 ms later (joined: within the 3 ms silence)
// or 10 ms later (split, yet before the next attempt's drain 3 ms + 15 ms on). A worker
// descheduled for the whole gap on a loaded machine would join the parts, so a second
// transaction may be needed.
TEST_F(TransactionTest, AShortInnerGapJoinsTheResponseAndALongerOneSplitsIt) {
    // A machine busy enough to stretch the 2 ms gap past 3 ms splits it too, so joining
    // needs to happen once in three transactions (nine attempts), and so does splitting.
    // 6E FF alone does not check; on a busy machine the tail can come after the next
    // attempt's drain and then starts that attempt's response, which has no start byte.
    for (const int gap : {2, 10}) {
        unit.ClearFaults();
        unit.AddFault({kGetClass, sim::FaultKind::Split, gap, -1, 40});
        Outcome outcome = Ask(kGetClass);
        for (int again = 0; again < 2 && (outcome.first == R::Ok) != (gap == 2); ++again) {
            outcome = Ask(kGetClass);
        }
        EXPECT_TRUE(gap == 2 ? outcome == Outcome(R::Ok, 2)
                             : outcome.first == R::BadChecksum || outcome.first == R::BadStartByte)
            << gap << " ms: " << ErrorNumber(outcome.first);
    }
}

// A pending cancel ends the first attempt, also in the place of the closed port's result;
// a closed port fails every attempt at once. Nothing reaches the unit.
TEST_F(TransactionTest, AClosedPortOrAPendingCancelFailsAtOnce) {
    const auto start = std::chrono::steady_clock::now();
    for (bool open : {true, false}) {
        port.CloseDevicePort();
        ASSERT_TRUE(!open || port.OpenDevicePort(unit.SlavePath()));
        ui.PressCancel();
        EXPECT_EQ(Ask(kGetClass).first, R::CancelledByUser);
        EXPECT_EQ(ui.TakeBoxes(), Boxes(R::CancelledByUser));
    }
    EXPECT_EQ(ui.polls, 2);
    EXPECT_EQ(Ask(kGetClass).first, R::PortClosed);
    EXPECT_EQ(ui.TakeBoxes(), Boxes(R::PortClosed));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    EXPECT_TRUE(unit.Log().empty());
}

// The cable comes out while the unit should be answering: the line hangs up under the
// open port, the later attempts reach nobody, and waiting for them costs no CPU.
TEST_F(TransactionTest, ACablePulledMidTransactionEndsInNoResponseWithoutSpinning) {
    unit.AddFault({kGetClass, sim::FaultKind::PullCable, 0, -1, 100});
    const std::clock_t cpuBefore = std::clock();
    EXPECT_EQ(Ask(kGetClass).first, R::NoResponse);
    EXPECT_EQ(Ask(kGetVersion).first, R::NoResponse);
    EXPECT_EQ(ui.TakeBoxes().size(), 2u);
    EXPECT_LT(std::clock() - cpuBefore, CLOCKS_PER_SEC / 2);  // waiting, not polling
    EXPECT_EQ(unit.LoggedCommands(), std::vector<uint8_t>{kGetClass});
    EXPECT_TRUE(port.IsDevicePortOpen());  // closing it is the session's business
}

}  // namespace
}  // namespace kavrel
