// Opening the cable link (the lister, its port list, the program folder) and the exchange
// sessions that frame each device operation.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <tuple>

#include "diagnosis/causes.h"
#include "link/cable_search.h"
#include "link/device_link.h"
#include "link/link_texts.h"
#include "link/lister_process.h"
#include "link/port_list_file.h"
#include "link/port_name.h"
#include "tests/support/memory_ui.h"
#include "tests/support/port_probe.h"
#include "tests/support/scratch_folder.h"
#include "tools/kavrel-sim/simulated_unit.h"

namespace kavrel {
namespace {

using namespace std::string_literals;

const std::string kList = "listport.txt";

std::vector<std::string> Boxes(const testing::MemoryUi& ui) {
    std::vector<std::string> boxes;
    for (const auto& m : ui.messages) {
        boxes.push_back(m.title + ": " + m.text);
    }
    return boxes;
}

// A device link with a program folder of its own, beside a simulated unit.
struct DeviceLinkTest : ::testing::Test {
    sim::SimulatedUnit unit;
    testing::ScratchFolder folder;
    testing::MemoryUi ui;
    DeviceLink link{ui, folder.Path()};
};

TEST(PortNameFromList, PicksTheFirstBracketsOfTheLastCableLine) {
    const std::string longPort = "/dev/" + std::string(300, 'p');
    const std::pair<std::string, std::string> cases[] = {
        {"Prolific USB-to-Serial Comm Port (COM4)\r\n", ""},  // letter case counts
        {"USB-SERIAL CH340 (COM3)\r\nPROLIFIC USB-TO-SERIAL COMM PORT (COM5)\r\n", "COM5"},
        {"PROLIFIC USB-TO-SERIAL COMM PORT (COM5)\nUSB-SERIAL CH340 (COM3)\n", "COM3"},
        {"USB-SERIAL CH340 (COM3)\nSerial Port (COM1)\n", "COM3"},
        // Each later line's brackets are broken: any of them taken would change the result.
        {"USB-SERIAL CH340 (COM3)\nUSB-SERIAL CH340 )COM9(\nUSB-SERIAL CH340 COM8\n"
         "USB-SERIAL CH340 (COM7\n",
         "COM3"},
        {"USB-SERIAL CH340 (COM3)\nUSB-SERIAL CH340 ()\n", ""},
        {"X (a) USB-SERIAL CH340 (COM3)\n", "a"},
        {"USB-SERIAL CH340 ( COM3 )\n", " COM3 "},
        // CR, LF and NUL each end a line; else the first "(" of the joined line would win.
        {"USB-SERIAL CH340 (COM3)\r(x) USB-SERIAL CH340\r", "x"},
        {"USB-SERIAL CH340 (COM3)\n(x) USB-SERIAL CH340", "x"},
        {"USB-SERIAL CH340 (COM3)\0(x) USB-SERIAL CH340\0"s, "x"},
        {"USB-SERIAL CH340\0(COM3)\n"s, ""},
        {"\r\n\n\r\0"s, ""},
        {"USB-SERIAL CH340 (\xcf\xee\xf0\xf2 1\x1b[2J)\r\n", "\xcf\xee\xf0\xf2 1\x1b[2J"},
        {std::string(5000, 'x') + " USB-SERIAL CH340 (" + longPort + ")", longPort},
    };
    for (const auto& [list, port] : cases) {
        EXPECT_EQ(PortNameFromList(list), port) << list.substr(0, 80);
    }
}

// What stands under the list's name: anything but a regular file is refused without
// blocking or reading without end, and a regular file is read whole, however long its lines.
TEST(FindCablePort, ReadsOnlyARegularListAndNeverBlocks) {
    using Make = std::function<void(const testing::ScratchFolder&)>;
    const std::pair<Make, std::string> cases[] = {
        {[](auto& f) { ASSERT_EQ(mkfifo((f / kList).c_str(), 0644), 0); }, ""},
        {[](auto& f) { std::filesystem::create_symlink("/dev/zero", f / kList); }, ""},
        {[](auto& f) { f.Write(kList, std::string(10'000'000, 'x') + " USB-SERIAL CH340 (C)"); },
         "C"},
    };
    alarm(20);  // a read that blocks ends the test here instead of at CTest's time-out
    for (const auto& [make, port] : cases) {
        testing::ScratchFolder folder;
        folder.Write("Zorvik", "#!/bin/sh\nexit 0\n", true);
        make(folder);
        testing::MemoryUi ui;
        EXPECT_EQ(FindCablePort(ui, folder.Path()), port);
        EXPECT_TRUE(ui.messages.empty());
    }
    alarm(0);
}

// A list that keeps going (here a sparse gigabyte) is read up to the bound and no further.
TEST(ReadPortList, StopsAtTheBound) {
    testing::ScratchFolder folder;
    folder.Write(kList, "USB-SERIAL CH340 (COM3)\n");
    ASSERT_EQ(truncate((folder / kList).c_str(), 1LL << 30), 0);
    const auto bytes = ReadPortList(folder / kList);
    ASSERT_TRUE(bytes.has_value());
    EXPECT_EQ(bytes->size(), kMaxPortListBytes);
    EXPECT_EQ(bytes->substr(0, 24), "USB-SERIAL CH340 (COM3)\n");
}

TEST_F(DeviceLinkTest, TheProgramFolderOfADeepFolderIsNotCut) {
    const std::string deep = folder / (std::string(200, 'd') + "/" + std::string(200, 'e') + "/");
    std::filesystem::create_directories(deep);
    std::filesystem::copy_file(KAVREL_CHECK_PROGRAM_FOLDER, deep + "check");
    EXPECT_EQ(std::system(("'" + deep + "check' '" + deep + "'").c_str()), 0);
}

// A list from an earlier run is read unchanged whatever the lister then does, but never
// when the lister could not be started. A port that does not open is the first
// transaction's to report.
TEST(OpenCableLink, ReadsWhatTheListerLeavesAndReportsWhatFails) {
    const std::string failed = "Ошибка: Выполнить команду не удалось!!!\n";
    const std::string launch = "Ошибка!: При открытии файла \"Zorvik\" возникла ошибка";
    // Each box is the specified text, then after an empty line the cause this machine shows.
    const auto withCause = [](const std::string& box, const std::string& cause) {
        return cause.empty() ? box : box + "\n\n" + cause;
    };
    const diagnosis::Machine machine;
    const std::string noCable = withCause(failed + "Конфигуратор не видит соединительного кабеля.",
                                          diagnosis::WhyNoCable(machine));
    const std::string portClosed = failed + std::string(texts::kPortClosed);
    const std::string portGone =
        withCause(portClosed, diagnosis::WhyPortDoesNotOpen(machine, "/dev/kavrel-none", ENOENT));
    const std::string oldList = "USB-SERIAL CH340 (kavrel-none)\r\n";
    constexpr auto kNone = CableSearch::NoCable;
    const std::tuple<const char*, bool, std::string, CableSearch, std::vector<std::string>>
        cases[] = {
            // lister (nullptr: missing), executable, list left, result, boxes in order
            {nullptr, false, oldList, kNone, {launch, noCable}},
            {"exit 0", false, oldList, kNone, {launch, noCable}},
            {"exit 0", true, "", kNone, {noCable}},
            {"exit 3", true, oldList, CableSearch::Found, {portGone}},
            {"exit 0", true, "USB-SERIAL CH340 (/dev/null)", CableSearch::Found, {portClosed}},
        };
    for (const auto& [lister, executable, list, result, boxes] : cases) {
        SCOPED_TRACE(std::string(lister ? lister : "none") + (executable ? " +x " : " ") + list);
        testing::ScratchFolder folder;
        if (!list.empty()) {
            folder.Write(kList, list);
        }
        if (lister) {
            folder.Write("Zorvik", "#!/bin/sh\n"s + lister, executable);
        }
        testing::MemoryUi ui;
        DeviceLink link(ui, folder.Path());
        EXPECT_EQ(link.OpenCableLink(), result);
        if (result == CableSearch::Found) {
            EXPECT_EQ(link.SendCommand(46, 0).result, TransactionResult::PortClosed);
        }
        EXPECT_EQ(Boxes(ui), boxes);
        EXPECT_EQ(folder.Read(kList), list);
    }
}

// Another program holds the port without any lock: the port is refused before its line is
// touched, and the box names that program and its process.
TEST_F(DeviceLinkTest, APortAnotherProgramHoldsIsRefusedAndItsHolderNamed) {
    int ready[2] = {-1, -1};
    ASSERT_EQ(pipe(ready), 0);
    const pid_t holder = fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        const int fd = open(unit.SlavePath().c_str(), O_RDWR | O_NOCTTY);
        (void)!write(ready[1], "x", 1);
        pause();
        _exit(fd >= 0 ? 0 : 1);
    }
    char byte = 0;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    folder.Write("Zorvik", "#!/bin/sh\nexit 0\n", true);
    folder.Write(kList, "USB-SERIAL CH340 (" + unit.SlavePath() + ")\n");
    EXPECT_EQ(link.OpenCableLink(), CableSearch::Found);
    EXPECT_EQ(link.SendCommand(46, 0).result, TransactionResult::PortClosed);
    kill(holder, SIGKILL);
    waitpid(holder, nullptr, 0);
    ASSERT_EQ(ui.messages.size(), 1u);
    const std::string& box = ui.messages[0].text;
    EXPECT_EQ(box.rfind(FailureText(TransactionResult::PortClosed) + "\n\n", 0), 0u) << box;
    EXPECT_NE(box.find("device_link_test (PID " + std::to_string(holder) + ")"), std::string::npos)
        << box;
    EXPECT_TRUE(unit.Log().empty());
    close(ready[0]);
    close(ready[1]);
}

// A lister that never ends is ended (and reaped) after 10 s, and the list it left is read.
TEST_F(DeviceLinkTest, AHangingListerIsEndedAndItsListRead) {
    folder.Write("Zorvik",
                 "#!/bin/sh\ncd \"$(dirname \"$0\")\"\necho $$ > pid\n"
                 "echo 'USB-SERIAL CH340 (COM4)' > listport.txt\nexec sleep 1000\n",
                 true);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(FindCablePort(ui, folder.Path()), "COM4");
    EXPECT_GE(std::chrono::steady_clock::now() - start, kListerTimeout - 100ms);
    EXPECT_LT(std::chrono::steady_clock::now() - start, kListerTimeout + 20s);
    EXPECT_EQ(kill(std::stoi(folder.Read("pid")), 0), -1) << "left running or as a zombie";
}

// Without a window the session goes on with wndMain enabled. Either way the end closes the
// port and enables wndMain unless wndInfo stays open.
TEST_F(DeviceLinkTest, MainWindowRefusesInputDuringTheSessionAndThePortClosesAtTheEnd) {
    folder.Write("Zorvik", "#!/bin/sh\nexit 0\n", true);
    folder.Write(kList, "USB-SERIAL CH340 (" + unit.SlavePath() + ")\n");
    for (int pass = 0; pass < 3; ++pass) {
        const bool withoutWindow = pass == 0;
        ui.failWindows = withoutWindow;
        {
            const auto session = link.Session();
            EXPECT_EQ(ui.IsMainWindowEnabled(), withoutWindow) << "without a window";
            ASSERT_EQ(link.OpenCableLink(), CableSearch::Found);
            EXPECT_FALSE(testing::IsPortFree(unit.SlavePath()));
            EXPECT_EQ(link.SendCommand(46, 0).data, 2);  // the unit's class, the answer's data byte
            if (pass == 2) {
                ASSERT_TRUE(ui.OpenInfoWindow());
            }
        }
        EXPECT_EQ(ui.IsMainWindowEnabled(), !ui.IsInfoWindowOpen());
        EXPECT_FALSE(ui.exchangeWindowOpen);
        EXPECT_TRUE(testing::IsPortFree(unit.SlavePath()));
    }
    EXPECT_TRUE(ui.IsInfoWindowOpen());
}

// The window shows frame 0 as it opens; the worker turns 1 ... 11, 0, ... and stops with
// the session.
TEST_F(DeviceLinkTest, AnimationTurnsFromOneToElevenThenZeroUntilTheSessionEnds) {
    const auto frames = [&] {
        std::lock_guard lock(ui.framesMutex);
        return ui.frames;
    };
    {
        const auto session = link.Session();
        for (int wait = 0; wait < 2000 && frames().size() < 12; ++wait) {
            std::this_thread::sleep_for(10ms);
        }
    }
    const std::vector<int> shown = frames();
    ASSERT_GE(shown.size(), 12u);
    EXPECT_EQ(std::vector(shown.begin(), shown.begin() + 12),
              (std::vector{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 0}));
    std::this_thread::sleep_for(400ms);
    EXPECT_EQ(frames(), shown) << "a frame changed after the session ended";
}

}  // namespace
}  // namespace kavrel
