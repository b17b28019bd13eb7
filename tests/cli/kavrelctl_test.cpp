#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <regex>
#include <string>
#include <tuple>
#include <vector>

#include "cli/kavrelctl.h"
#include "config/commands.h"
#include "link/link_texts.h"
#include "tests/support/port_probe.h"
#include "tests/support/program.h"
#include "tests/support/scratch_folder.h"
#include "tools/kavrel-sim/simulated_unit.h"

namespace kavrel {
namespace {

using testing::Program;
using Unit = testing::Simulator;

class KavrelctlTest : public ::testing::Test {
  protected:
    void SetUp() override { setenv("KAVREL_CABLE_REGISTRY", (folder / "registry").c_str(), 1); }
    // kavrelctl run to its end: its exit code, with its output kept.
    int Run(std::vector<std::string> args) {
        Program kavrelctl("kavrelctl", args);
        const int code = kavrelctl.End();
        out = kavrelctl.out;
        return code;
    }
    testing::ScratchFolder folder;
    std::string out;
};

// The library in this process, against a unit simulated in this process.
int RunInProcess(std::vector<std::string> args) {
    args.insert(args.begin(), "kavrelctl");
    std::vector<char*> argv;
    std::transform(args.begin(), args.end(), std::back_inserter(argv),
                   [](auto& a) { return a.data(); });
    return cli::Main(static_cast<int>(argv.size()), argv.data());
}

// Bytes no named value brings back (indication bit 3, pulse time off, sound off 2, volume 128)
// travel as {"byte": N} from one unit to another; the trace of the last read shows each
// command's request, answer and result, in order.
TEST_F(KavrelctlTest, AProfileReadFromOneUnitMakesAnotherByteForByteEqual) {
    sim::SimulatedUnit first(sim::DeviceModel{{1, 17, 11, 255, 2, 3, 128}});
    sim::SimulatedUnit second(sim::DeviceModel{{.mode = 2}});
    ASSERT_EQ(RunInProcess({"--port", first.SlavePath(), "read", "-o", folder / "unit.json"}), 0);
    EXPECT_NE(folder.Read("unit.json").find("\"byte\": 128"), std::string::npos);
    ASSERT_EQ(RunInProcess({"--port", second.SlavePath(), "write", folder / "unit.json"}), 0);
    ASSERT_EQ(RunInProcess({"--port", second.SlavePath(), "--trace", folder / "trace", "read"}), 0);
    EXPECT_EQ(second.Model().settings, first.Model().settings);

    const std::tuple<int, const char*, int> reads[] = {
        {0x2E, "GET_CLASS", 2},     {0x33, "BEGIN_READ", 0},      {0x29, "GET_MODE", 1},
        {0x2D, "GET_ADDRESS", 17},  {0x27, "GET_INDICATION", 11}, {0x28, "GET_PULSE_TIME", 255},
        {0x2A, "GET_SOUND_OFF", 2}, {0x2B, "GET_SOUND_TYPE", 3},  {0x32, "GET_VOLUME", 128}};
    std::string expected;
    for (const auto& [command, name, data] : reads) {
        char lines[200];
        std::snprintf(lines, sizeof lines,
                      "-> 6E FF %02X 00 %02X  CMD_%s  attempt 1\n<- 6E FF %02X %02X  CMD_%s  "
                      "attempt 1\n== CMD_%s  result 0\n",
                      command, (0x93 - command) & 0xFF, name, data, (0x93 - data) & 0xFF, name,
                      name);
        expected += lines;
    }
    const std::regex time("(^|\n) +[0-9]+\\.[0-9]{3} ms  ");  // each line's time since start
    EXPECT_EQ(std::regex_replace(folder.Read("trace"), time, "$1"), expected);
}

TEST(KavrelctlInProcess, WriteModeAutonomousLeavesTheAddressUnsent) {
    sim::SimulatedUnit unit({{.address = 17}});
    ASSERT_EQ(RunInProcess({"--port", unit.SlavePath(), "write", "--mode", "autonomous"}), 0);
    EXPECT_EQ(unit.Model().settings.mode, 2);
    EXPECT_EQ(std::ranges::count(unit.LoggedCommands(), CMD_SET_ADDRESS), 0);
}

// The codec's rules are pinned in config/; here the process's line, exit code and silence.
TEST_F(KavrelctlTest, EachBadProfileIsOneLineAndSendsNothing) {
    const std::string good = R"("address": 1, "count_red": true, "count_green": false,
        "indication_ru_au": false, "pulse_time": "off", "sound_off": false, "sound_type": 1,
        "volume": 50})";
    const std::pair<std::string, std::string> table[] = {
        {R"({"mode": "slave", "colour": 1, )" + good, "unknown key \"colour\""},
        {"{\n\"mode\": \"slave\",, " + good, "line 2, column 17"},
    };
    sim::SimulatedUnit unit;
    const std::string bad = folder / "bad.json";
    for (const auto& [profile, fault] : table) {
        SCOPED_TRACE(profile);
        folder.Write("bad.json", profile);
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(RunInProcess({"--port", unit.SlavePath(), "write", bad}), 2);
        out = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(out, bad + ": " + out.substr(out.find(": ") + 2));
        EXPECT_NE(out.find(fault), std::string::npos) << out;
    }
    EXPECT_TRUE(unit.Log().empty()) << "bytes went out";
}

// Without --port the lister finds no cable: nothing is registered.
TEST_F(KavrelctlTest, EachFaultHasItsExitCode) {
    using Args = std::vector<std::string>;
    const std::string failed(texts::kCommandFailed);
    const std::tuple<Args, Args, int, std::string> table[] = {
        {{}, {"read"}, 3, failed + std::string(texts::kNoCable)},
        {{}, {"--port", "/dev/null", "info"}, 3, failed + std::string(texts::kPortClosed)},
        {{"--fault", "any:no-answer"}, {"read"}, 4, failed + std::string(texts::kNoResponse)},
        {{"--fault", "any:bad-checksum"}, {"info"}, 4, failed + std::string(texts::kBadResponse)},
        {{"--fault", "32:refuse:0"}, {"test"}, 5, "Устройство отклонило команду"},
        {{"--fault", "40:read-back-differs"}, {"write", "--pulse-time", "4"}, 6, "EEPROM"},
        {{"--class", "3"}, {"reset"}, 7, "Класс уст. 3,а класс конфигуратора 2"},
    };
    for (auto [faults, args, code, text] : table) {
        SCOPED_TRACE(args.back());
        faults.push_back("--no-register");
        const Unit unit(faults);
        if (faults.size() > 1) {
            args.insert(args.begin(), {"--port", unit.path});
        }
        EXPECT_EQ(Run(args), code) << out;
        EXPECT_NE(out.find(text), std::string::npos) << out;
    }
}

TEST_F(KavrelctlTest, CtrlCDuringASilentUnitEndsWithin1AttemptAndFreesThePort) {
    Unit unit({"--no-register", "--fault", "any:no-answer"});
    Program kavrelctl("kavrelctl", {"--port", unit.path, "--trace", "-", "read"});
    ASSERT_NE(kavrelctl.Line().find("-> 6E FF 2E"), std::string::npos);
    EXPECT_EQ(kavrelctl.End(SIGINT), 130);
    const std::string trace = kavrelctl.out;
    EXPECT_EQ(trace.find("-> 6E FF 2E 00 65  CMD_GET_CLASS  attempt 2"), std::string::npos)
        << trace;
    EXPECT_NE(trace.find(texts::kCancelled), std::string::npos) << trace;
    EXPECT_TRUE(testing::IsPortFree(unit.path));
}

// Two plug cycles of one simulated unit: a line and a record each, then a summary; then one
// more unit on the port given by name.
TEST_F(KavrelctlTest, ApplyEachWritesEveryUnitPluggedInAndRecordsIt) {
    Unit unit({"--no-register"});
    folder.Write("p.json",
                 R"({"mode": "slave", "address": 9, "count_red": true, "count_green": true,
        "indication_ru_au": false, "pulse_time": 5, "sound_off": false, "sound_type": 2, "volume": 30})");
    Program apply("kavrelctl", {"apply", folder / "p.json", "--each", "--count", "2", "--record",
                                folder / "record"});
    EXPECT_EQ(apply.Line(), "waiting for unit 1");
    kill(unit.pid, SIGUSR2);  // plugged in
    EXPECT_EQ(apply.Line().rfind("1  firmware 7  OK  ", 0), 0u);
    EXPECT_EQ(apply.Line(), "unit 1 done: unplug it");
    kill(unit.pid, SIGUSR1);
    EXPECT_EQ(apply.Line(), "waiting for unit 2");
    kill(unit.pid, SIGUSR2);
    EXPECT_EQ(apply.Line().rfind("2  firmware 7  OK  ", 0), 0u);
    EXPECT_EQ(apply.End(), 0);
    EXPECT_EQ(apply.out, "2 written, 0 failed\n");
    const std::string line = R"({,"port":")" + unit.path +
                             R"(","firmware_version":7,"class":2,"profile":"p.json","result":"OK",}
)";  // less the local time and the seconds
    const std::regex varying(R"("time":"[^"]+"|"seconds":[0-9.]+)");
    EXPECT_EQ(std::regex_replace(folder.Read("record"), varying, ""), line + line);

    // Named as the link names ports, without "/dev/", the unit is found there all the same.
    ASSERT_EQ(unit.path.rfind("/dev/", 0), 0u);
    EXPECT_EQ(
        Run({"--port", unit.path.substr(5), "apply", folder / "p.json", "--each", "--count", "1"}),
        0)
        << out;
    EXPECT_NE(out.find("\n1  firmware 7  OK  "), std::string::npos) << out;
}

}  // namespace
}  // namespace kavrel
