#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "config/commands.h"
#include "link/bibl_com.h"
#include "link/device_link.h"
#include "tests/support/memory_ui.h"
#include "tests/support/scratch_folder.h"
#include "tools/kavrel-sim/simulated_unit.h"
#include "tools/virtual-cable/cable_registry.h"

namespace kavrel {
namespace {

using Clock = std::chrono::steady_clock;
using testing::MemoryUi;
using testing::ScratchFolder;

const char* const kLaunchFailure = "При открытии файла \"Zorvik\" возникла ошибка";
const char* const kNoCable =
    "Выполнить команду не удалось!!!\nКонфигуратор не видит соединительного кабеля.";

// A stand-in lister: a shell script that acts in its own folder.
std::string Script(const std::string& body) {
    return "#!/bin/sh\ncd \"$(dirname \"$0\")\"\n" + body + "\n";
}

pid_t ReadPid(const ScratchFolder& folder, const std::string& name) {
    return static_cast<pid_t>(std::stol(folder.Read(name)));
}

// Gone, or a zombie of some other parent: no longer running either way.
bool HasEnded(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) {
        return true;
    }
    const size_t state = line.rfind(')') + 2;
    return state < line.size() && (line[state] == 'Z' || line[state] == 'X');
}

TEST(RunAndWaitTest, MissingOrNotExecutableProgramIsNotStarted) {
    ScratchFolder folder;
    folder.Write("plain", Script("exit 0"), /*executable=*/false);
    EXPECT_FALSE(RunAndWait(folder / "missing"));
    EXPECT_FALSE(RunAndWait(folder / "plain"));
    EXPECT_FALSE(RunAndWait(folder.Path()));  // a folder
}

TEST(RunAndWaitTest, ReturnsOnlyAfterTheProgramEnded) {
    ScratchFolder folder;
    folder.Write("lister", Script("sleep 0.3\necho done > marker"), true);
    EXPECT_TRUE(RunAndWait(folder / "lister"));
    EXPECT_EQ(folder.Read("marker"), "done\n");
}

TEST(RunAndWaitTest, RunsWithoutArgumentsInTheInheritedFolder) {
    ScratchFolder folder;
    folder.Write("lister",
                 "#!/bin/sh\necho \"$#\" > \"$(dirname \"$0\")/args\"\n"
                 "pwd -P > \"$(dirname \"$0\")/cwd\"\n",
                 true);
    ASSERT_TRUE(RunAndWait(folder / "lister"));
    EXPECT_EQ(folder.Read("args"), "0\n");
    EXPECT_EQ(folder.Read("cwd"), std::filesystem::current_path().string() + "\n");
}

// The configurator must not hang on a lister that never ends: it is ended after 10 s with
// everything it started, reaped, and whatever list it left is read.
TEST(RunAndWaitTest, HangingListerIsEndedAndItsListRead) {
    ScratchFolder folder;
    folder.Write("Zorvik",
                 Script("printf 'USB-SERIAL CH340 (COM4)\\r\\n' > listport.txt\n"
                        "sleep 1000 &\necho $! > helper\necho $$ > pid\nexec sleep 1000"),
                 true);
    MemoryUi ui;
    const auto start = Clock::now();
    EXPECT_EQ(FindCablePort(ui, folder.Path()), "COM4");
    const auto took = Clock::now() - start;
    EXPECT_GE(took, kListerTimeout - std::chrono::milliseconds(100));
    EXPECT_LT(took, kListerTimeout + std::chrono::seconds(20));
    EXPECT_TRUE(ui.messages.empty());

    const pid_t lister = ReadPid(folder, "pid");
    EXPECT_EQ(kill(lister, 0), -1) << "the lister was left running or as a zombie";
    EXPECT_EQ(errno, ESRCH);
    const pid_t helper = ReadPid(folder, "helper");
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    while (!HasEnded(helper) && Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_TRUE(HasEnded(helper)) << "the lister's own child was left running";
}

TEST(FindCablePortTest, ReadsTheListOnlyAfterTheListerEnded) {
    ScratchFolder folder;
    folder.Write("listport.txt", "USB-SERIAL CH340 (COM1)\r\n");
    folder.Write("Zorvik",
                 Script("sleep 0.3\nprintf 'Serial Port (COM1)\\r\\n"
                        "PROLIFIC USB-TO-SERIAL COMM PORT (COM9)\\r\\n' > listport.txt"),
                 true);
    MemoryUi ui;
    EXPECT_EQ(FindCablePort(ui, folder.Path()), "COM9");
    EXPECT_TRUE(ui.messages.empty());
}

TEST(FindCablePortTest, ListLeftFromAnEarlierRunIsReadUnchanged) {
    ScratchFolder folder;
    folder.Write("listport.txt", "USB-SERIAL CH340 (COM6)\r\n");
    folder.Write("Zorvik", Script("exit 3"), true);
    MemoryUi ui;
    EXPECT_EQ(FindCablePort(ui, folder.Path()), "COM6");
    EXPECT_EQ(folder.Read("listport.txt"), "USB-SERIAL CH340 (COM6)\r\n");
    EXPECT_TRUE(ui.messages.empty());
}

struct LaunchFailureCase {
    const char* name;
    bool writeLister;  // else the lister is missing
};

class LaunchFailureTest : public ::testing::TestWithParam<LaunchFailureCase> {};

TEST_P(LaunchFailureTest, ShowsBothBoxesInOrderAndReadsNoList) {
    ScratchFolder folder;
    // A list naming a cable is there, but a lister that did not start must not lead to it.
    folder.Write("listport.txt", "USB-SERIAL CH340 (COM3)\r\n");
    if (GetParam().writeLister) {
        folder.Write("Zorvik", Script("exit 0"), /*executable=*/false);
    }
    MemoryUi ui;
    DeviceLink link(ui, folder.Path());
    EXPECT_EQ(link.OpenCableLink(), 1);
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].icon, MessageIcon::Error);
    EXPECT_EQ(ui.messages[0].title, "Ошибка!");
    EXPECT_EQ(ui.messages[0].text, kLaunchFailure);
    EXPECT_EQ(ui.messages[1].icon, MessageIcon::Error);
    EXPECT_EQ(ui.messages[1].title, "Ошибка");
    EXPECT_EQ(ui.messages[1].text, kNoCable);
    EXPECT_FALSE(link.port.IsDevicePortOpen());
}

INSTANTIATE_TEST_SUITE_P(Lister, LaunchFailureTest,
                         ::testing::Values(LaunchFailureCase{"Missing", false},
                                           LaunchFailureCase{"NotExecutable", true}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(OpenCableLinkTest, ListerWritingNothingMeansNoCable) {
    ScratchFolder folder;
    folder.Write("Zorvik", Script("exit 0"), true);
    MemoryUi ui;
    DeviceLink link(ui, folder.Path());
    EXPECT_EQ(link.OpenCableLink(), 1);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].title, "Ошибка");
    EXPECT_EQ(ui.messages[0].text, kNoCable);
}

TEST(OpenCableLinkTest, PortThatDoesNotOpenIsLeftToTheTransaction) {
    ScratchFolder folder;
    folder.Write("Zorvik", Script("printf 'USB-SERIAL CH340 (/dev/kavrel-none)\\n' > listport.txt"),
                 true);
    MemoryUi ui;
    DeviceLink link(ui, folder.Path());
    EXPECT_EQ(link.OpenCableLink(), 0);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_FALSE(link.port.IsDevicePortOpen());
}

// The real lister finds a simulator's registered terminal, the port opens on it and the
// unit answers through it.
TEST(OpenCableLinkTest, RealZorvikFindsARegisteredSimulator) {
    ScratchFolder folder;
    folder.CopyProgram("Zorvik");
    std::filesystem::create_directories(folder / "sys/class/tty");
    setenv("KAVREL_SYSFS_ROOT", (folder / "sys").c_str(), 1);
    setenv("KAVREL_CABLE_REGISTRY", (folder / "registry").c_str(), 1);

    sim::SimulatedUnit unit;
    cable::CableRegistration registration(unit.SlavePath(), folder / "registry");
    ASSERT_TRUE(registration.IsRegistered());

    MemoryUi ui;
    DeviceLink link(ui, folder.Path());
    EXPECT_EQ(link.OpenCableLink(), 0);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(folder.Read("listport.txt"), "USB-SERIAL CH340 (" + unit.SlavePath() + ")\n");
    ASSERT_TRUE(link.port.IsDevicePortOpen());

    link.transactions.BeginRequest(kRequestAddress, CMD_GET_CLASS);
    link.transactions.AddRequestByte(0);
    EXPECT_EQ(link.transactions.RunTransaction(), kTransactionOk);
    EXPECT_EQ(unit.LoggedCommands(), std::vector<uint8_t>{CMD_GET_CLASS});
    link.port.CloseDevicePort();
}

}  // namespace
}  // namespace kavrel
