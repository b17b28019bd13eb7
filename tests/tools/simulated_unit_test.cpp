#include "tools/kavrel-sim/simulated_unit.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace kavrel::sim {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Bytes = std::vector<uint8_t>;

Bytes Request(uint8_t command, uint8_t value = 0) {
    Bytes frame{0x6E, 0xFF, command, value, 0};
    frame[4] = static_cast<uint8_t>(0u - (0x6Eu + 0xFFu + command + value));
    return frame;
}

Bytes Answer(uint8_t data) {
    return {0x6E, 0xFF, data, static_cast<uint8_t>(0u - (0x6Eu + 0xFFu + data))};
}

// The configurator's end of the line, without the link code: plain reads and writes.
class RawLine {
  public:
    explicit RawLine(const std::string& path) : fd_(open(path.c_str(), O_RDWR | O_NOCTTY)) {
        EXPECT_GE(fd_, 0) << path;
        termios raw{};
        tcgetattr(fd_, &raw);
        cfmakeraw(&raw);
        tcsetattr(fd_, TCSANOW, &raw);
    }
    ~RawLine() { close(fd_); }
    RawLine(const RawLine&) = delete;
    RawLine& operator=(const RawLine&) = delete;

    void Send(const Bytes& bytes) {
        ASSERT_EQ(write(fd_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    // Everything that arrives until the line has been quiet for `quiet`.
    Bytes Receive(std::chrono::milliseconds quiet = 150ms) {
        Bytes got;
        pollfd p{fd_, POLLIN, 0};
        while (poll(&p, 1, static_cast<int>(quiet.count())) > 0) {
            uint8_t chunk[256];
            const ssize_t n = read(fd_, chunk, sizeof chunk);
            if (n <= 0) {
                break;
            }
            got.insert(got.end(), chunk, chunk + n);
        }
        return got;
    }
    Bytes Exchange(const Bytes& request) {
        Send(request);
        return Receive();
    }

  private:
    int fd_;
};

TEST(SimulatedUnit, AnswersReadsInTheDeviceCoding) {
    DeviceModel model;
    model.settings = Settings{2, 17, 11, 255, 1, 3, 128};
    model.deviceClass = 3;
    model.firmwareVersion = 9;
    SimulatedUnit unit(model);
    RawLine line(unit.SlavePath());
    const std::vector<std::pair<uint8_t, uint8_t>> reads = {
        {39, 11}, {40, 255}, {41, 2}, {42, 1}, {43, 3},
        {45, 17}, {50, 128}, {46, 3}, {47, 9}, {51, 0},
    };
    for (const auto& [command, data] : reads) {
        EXPECT_EQ(line.Exchange(Request(command)), Answer(data)) << int(command);
    }
    EXPECT_EQ(unit.LoggedCommands(), (Bytes{39, 40, 41, 42, 43, 45, 50, 46, 47, 51}));
}

TEST(SimulatedUnit, WritesStoreAndAcknowledge) {
    SimulatedUnit unit;
    RawLine line(unit.SlavePath());
    const std::vector<std::pair<uint8_t, uint8_t>> writes = {
        {33, 7}, {34, 20}, {35, 2}, {36, 1}, {37, 2}, {44, 254}, {49, 127},
    };
    for (const auto& [command, value] : writes) {
        EXPECT_EQ(line.Exchange(Request(command, value)), Answer(26)) << int(command);
    }
    const Settings s = unit.Model().settings;
    EXPECT_EQ(
        (Bytes{s.indication, s.pulseTime, s.mode, s.soundOff, s.soundType, s.address, s.volume}),
        (Bytes{7, 20, 2, 1, 2, 254, 127}));
    for (uint8_t action : Bytes{32, 38, 48, 38}) {
        EXPECT_EQ(line.Exchange(Request(action, 4)), Answer(26));
    }
    EXPECT_EQ(unit.CommitCount(), 2);
}

TEST(SimulatedUnit, LogsButDoesNotAnswerBrokenRequests) {
    SimulatedUnit unit;
    RawLine line(unit.SlavePath());
    Bytes badSum = Request(46);
    ++badSum[4];
    Bytes badStart = Request(46);
    badStart[0] = 0x6F;
    --badStart[4];
    EXPECT_TRUE(line.Exchange(badSum).empty());
    EXPECT_TRUE(line.Exchange(badStart).empty());
    EXPECT_TRUE(line.Exchange({0x6E, 0xFF}).empty());  // a torn request, dropped on silence
    EXPECT_EQ(line.Exchange(Request(46)), Answer(2));  // and the unit is in step again
    const auto log = unit.Log();
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[0].bytes, badSum);
    EXPECT_EQ(log[1].bytes, badStart);
    EXPECT_EQ(log[2].bytes, (Bytes{0x6E, 0xFF}));
    EXPECT_LE(log[0].time, log[1].time);
}

TEST(SimulatedUnitFaults, ShapeTheAnswer) {
    SimulatedUnit unit;
    RawLine line(unit.SlavePath());
    struct Case {
        FaultKind kind;
        int param;
        Bytes expected;
    };
    Bytes badStart = Answer(2);
    badStart[0] = 0x6F;
    --badStart[3];
    Bytes badSum = Answer(2);
    ++badSum[3];
    const std::vector<Case> cases = {
        {FaultKind::NoAnswer, 0, {}},        {FaultKind::BadStartByte, 0, badStart},
        {FaultKind::BadChecksum, 0, badSum}, {FaultKind::OneByte, 0, {0x6E}},
        {FaultKind::Split, 30, Answer(2)},   {FaultKind::Delay, 60, Answer(2)},
    };
    for (const auto& c : cases) {
        unit.AddFault(Fault{46, c.kind, c.param, 1});
        EXPECT_EQ(line.Exchange(Request(46)), c.expected) << static_cast<int>(c.kind);
        EXPECT_EQ(line.Exchange(Request(46)), Answer(2)) << "used up after one answer";
    }
}

TEST(SimulatedUnitFaults, AStartDelayHoldsBackAnyFaultyAnswer) {
    SimulatedUnit unit;
    RawLine line(unit.SlavePath());
    unit.AddFault(Fault{46, FaultKind::BadChecksum, 0, 1, 100});
    line.Send(Request(46));
    EXPECT_TRUE(line.Receive(30ms).empty());
    Bytes badSum = Answer(2);
    ++badSum[3];
    EXPECT_EQ(line.Receive(500ms), badSum);
}

TEST(SimulatedUnitFaults, OverLongStaleRefusalAndReadBack) {
    SimulatedUnit unit;
    RawLine line(unit.SlavePath());

    unit.AddFault(Fault{46, FaultKind::OverLong, 100, 1});
    const Bytes longAnswer = line.Exchange(Request(46));
    ASSERT_EQ(longAnswer.size(), 100u);
    unsigned whole = 0;
    unsigned first90 = 0;
    for (size_t i = 0; i < longAnswer.size(); ++i) {
        whole += longAnswer[i];
        first90 += i < 90 ? longAnswer[i] : 0;
    }
    EXPECT_EQ(whole % 256, 0u);
    EXPECT_EQ(first90 % 256, 0u);
    EXPECT_EQ(longAnswer[2], 2);

    unit.AddFault(Fault{46, FaultKind::StaleAfter, 3, 1});
    line.Send(Request(46));
    EXPECT_EQ(line.Receive(10ms), Answer(2));
    EXPECT_EQ(line.Receive(), (Bytes{0x55, 0x55, 0x55}));

    unit.AddFault(Fault{kAnyCommand, FaultKind::Refuse, 9, 2});
    EXPECT_EQ(line.Exchange(Request(41)), Answer(1)) << "a read is not refused";
    EXPECT_EQ(line.Exchange(Request(35, 2)), Answer(9));
    EXPECT_EQ(line.Exchange(Request(38)), Answer(9));
    EXPECT_EQ(unit.Model().settings.mode, 1) << "a refused write stores nothing";
    EXPECT_EQ(unit.CommitCount(), 0);
    EXPECT_EQ(line.Exchange(Request(35, 2)), Answer(26));

    unit.AddFault(Fault{kAnyCommand, FaultKind::ReadBackDiffers, 0, -1});
    EXPECT_EQ(line.Exchange(Request(41)), Answer(3));
    EXPECT_EQ(line.Exchange(Request(50)), Answer(0));  // 255 + 1 wraps
    EXPECT_EQ(line.Exchange(Request(47)), Answer(7)) << "not a setting";
    unit.ClearFaults();
    EXPECT_EQ(line.Exchange(Request(41)), Answer(2));
}

TEST(SimulatedUnit, SendsUnaskedBytesAndStopsPromptly) {
    auto unit = std::make_unique<SimulatedUnit>();
    RawLine line(unit->SlavePath());
    unit->SendUnasked({1, 2, 3});
    EXPECT_EQ(line.Receive(), (Bytes{1, 2, 3}));
    unit->AddFault(Fault{46, FaultKind::Delay, 10000, -1});
    line.Send(Request(46));
    const auto start = Clock::now();
    unit.reset();
    EXPECT_LT(std::chrono::duration<double>(Clock::now() - start).count(), 2.0);
}

// --- the kavrel-sim program ---

std::string ProgramPath() {
    const char* folder = std::getenv("KAVREL_BIN_DIR");
    return std::string(folder ? folder : ".") + "/kavrel-sim";
}

struct Program {
    pid_t pid = -1;
    FILE* out = nullptr;
};

Program Start(std::vector<std::string> args) {
    int pipeFds[2];
    EXPECT_EQ(pipe(pipeFds), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    const std::string path = ProgramPath();
    args.insert(args.begin(), path);
    args.push_back("--no-register");
    std::vector<char*> argv;
    for (auto& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    Program p;
    EXPECT_EQ(posix_spawn(&p.pid, path.c_str(), &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    p.out = fdopen(pipeFds[0], "r");
    return p;
}

int WaitExit(pid_t pid, std::chrono::seconds limit) {
    const auto deadline = Clock::now() + limit;
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (Clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(10ms);
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(KavrelSimProgram, PrintsItsTerminalAnswersAndEndsOnSigterm) {
    Program sim = Start({"--class", "3", "--mode", "2", "--fault", "35:refuse:5:1"});
    ASSERT_NE(sim.out, nullptr);
    char first[256] = {};
    ASSERT_NE(fgets(first, sizeof first, sim.out), nullptr);
    std::string path(first);
    ASSERT_FALSE(path.empty());
    path.pop_back();  // the newline
    EXPECT_EQ(path.rfind("/dev/pts/", 0), 0u) << path;
    {
        RawLine line(path);
        EXPECT_EQ(line.Exchange(Request(46)), Answer(3));
        EXPECT_EQ(line.Exchange(Request(41)), Answer(2));
        EXPECT_EQ(line.Exchange(Request(35, 1)), Answer(5));
        EXPECT_EQ(line.Exchange(Request(35, 1)), Answer(26));
        EXPECT_EQ(line.Exchange(Request(41)), Answer(1));
    }
    kill(sim.pid, SIGTERM);
    EXPECT_EQ(WaitExit(sim.pid, 5s), 0);
    fclose(sim.out);
}

TEST(KavrelSimProgram, HelpAndBadOptions) {
    struct Case {
        std::vector<std::string> args;
        int exitCode;
    };
    const std::vector<Case> cases = {
        {{"--help"}, 0},        {{"--mode", "256"}, 2}, {{"--fault", "46:explode"}, 2},
        {{"--fault", "46"}, 2}, {{"--bogus", "1"}, 2},
    };
    for (const auto& c : cases) {
        Program sim = Start(c.args);
        char first[256] = {};
        ASSERT_NE(fgets(first, sizeof first, sim.out), nullptr);
        EXPECT_EQ(std::string(first).rfind("Usage: kavrel-sim", 0), 0u);
        EXPECT_EQ(WaitExit(sim.pid, 5s), c.exitCode) << c.args[0];
        fclose(sim.out);
    }
}

}  // namespace
}  // namespace kavrel::sim
