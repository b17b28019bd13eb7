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

// A device link with a program folder of its own, beside a simulated unit.
struct DeviceLinkTest : ::testing::Test {
    // A lister that ends at once, leaving a list that names `port` as a cable's.
    void List(const std::string& port) {
        folder.Write("Zorvik", "#!/bin/sh\nexit 0\n", true);
        folder.Write(kList, "USB-SERIAL CH340 (" + port + ")\n");
    }

    sim::SimulatedUnit unit;
    testing::ScratchFolder folder;
    testing::MemoryUi ui;
    DeviceLink link{ui, folder.Path()};
};

TEST(PortNameFromList, PicksTheFirstBracketsOfTheLastCableLine) {
    const std::string longPort = "/dev/" + std::string(300, 'p');
    const std::string c = "USB-SERIAL CH340 ", p = "PROLIFIC USB-TO-SERIAL COMM PORT ";
    const std::pair<std::string, std::string> cases[] = {
        {"Prolific USB-to-Serial Comm Port (COM4)\r\n", ""},  // letter case counts
        {c + "(COM3)\r\n" + p + "(COM5)\r\n", "COM5"},
        {p + "(COM5)\n" + c + "(COM3)\n", "COM3"},
        {c + "(COM3)\nSerial Port (COM1)\n", "COM3"},
        // Each later line's brackets are broken: any of them taken would change the result.
        {c + "(COM3)\n" + c + ")COM9(\n" + c + "COM8\n" + c + "(COM7\n", "COM3"},
        {c + "(COM3)\n" + c + "()\n", ""},
        {"X (a) " + c + "(COM3)\n", "a"},
        {c + "( COM3 )\n", " COM3 "},
        // CR, LF and NUL each end a line; else the first "(" of the joined line would win.
        {c + "(COM3)\r(x) " + c + "\r", "x"},
        {c + "(COM3)\n(x) " + c, "x"},
        {c + "(COM3)\0(x) "s + c + "\0"s, "x"},
        {c + "\0(COM3)\n"s, ""},
        {"\r\n\n\r\0"s, ""},
        {c + "(\xcf\xee\xf0\xf2 1\x1b[2J)\r\n", "\xcf\xee\xf0\xf2 1\x1b[2J"},
        {std::string(5000, 'x') + " " + c + "(" + longPort + ")", longPort}};
    for (const auto& [list, port] : cases) {
        EXPECT_EQ(PortNameFromList(list), port) << list.substr(0, 80);
    }
}

// What stands under the list's name: anything but a regular file is refused without
// blocking or reading without end, and a regular file is read whole, however long its lines,
// but a list that keeps going (here a sparse gigabyte) only up to the bound.
TEST(FindCablePort, ReadsOnlyARegularListAndNeverBlocks) {
    using Make = std::function<void(const testing::ScratchFolder&)>;
    const std::pair<Make, std::string> cases[] = {
        {[](auto& f) { ASSERT_EQ(mkfifo((f / kList).c_str(), 0644), 0); }, ""},
        {[](auto& f) { std::filesystem::create_symlink("/dev/zero", f / kList); }, ""},
        {[](auto& f) { f.Write(kList, std::string(10'000'000, 'x') + " USB-SERIAL CH340 (C)"); },
         "C"}};
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
    testing::ScratchFolder folder;
    folder.Write(kList, "USB-SERIAL CH340 (COM3)\n");
    ASSERT_EQ(truncate((folder / kList).c_str(), 1LL << 30), 0);
    EXPECT_EQ(ReadPortList(folder / kList).value_or("").size(), kMaxPortListBytes);
}

TEST_F(DeviceLinkTest, TheProgramFolderOfADeepFolderIsNotCut) {
    const std::string deep = folder / (std::string(200, 'd') + "/" + std::string(200, 'e') + "/");
    std::filesystem::create_directories(deep);
    std::filesystem::copy_file(KAVREL_CHECK_PROGRAM_FOLDER, deep + "check");
    EXPECT_EQ(std::system(("'" + deep + "check' '" + deep + "'").c_str()), 0);
}

// A list from an earlier run is read unchanged whatever the lister then does (a lister that
// never ends is ended and reaped after 10 s), but never when the lister could not be started.
// A port that does not open is the first transaction's to report. Each box is the specified
// text, then after an empty line the cause this machine shows.
TEST(OpenCableLink, ReadsWhatTheListerLeavesAndReportsWhatFails) {
    const std::string failed = "Ошибка: Выполнить команду не удалось!!!\n";
    const std::string launch = "Ошибка!: При открытии файла \"Zorvik\" возникла ошибка";
    const diagnosis::Machine machine;
    const std::string noCable = failed + "Конфигуратор не видит соединительного кабеля.";
    const std::string why = diagnosis::WhyNoCable(machine);
    const std::string noCableWhy = why.empty() ? noCable : noCable + "\n\n" + why;
    const std::string portClosed = failed + std::string(texts::kPortClosed);
    const std::string portGone =
        portClosed + "\n\n" + diagnosis::WhyPortDoesNotOpen(machine, "/dev/kavrel-none", ENOENT);
    const std::string oldList = "USB-SERIAL CH340 (kavrel-none)\r\n";
    using enum CableSearch;
    const std::tuple<const char*, bool, std::string, CableSearch, std::vector<std::string>>
        cases[] = {// lister (nullptr: missing), executable, list left, result, boxes in order
                   {nullptr, false, oldList, NoCable, {launch, noCableWhy}},
                   {"exit 0", false, oldList, NoCable, {launch, noCableWhy}},
                   {"exit 0", true, "", NoCable, {noCableWhy}},
                   {"exit 3", true, oldList, Found, {portGone}},
                   {"echo $$ > \"$0.pid\"; exec sleep 1000", true, oldList, Found, {portGone}},
                   {"exit 0", true, "USB-SERIAL CH340 (/dev/null)", Found, {portClosed}}};
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
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(link.OpenCableLink(), result);
        EXPECT_LT(std::chrono::steady_clock::now() - start, kListerTimeout + 20s);
        const std::string pid = folder.Read("Zorvik.pid");
        EXPECT_TRUE(pid.empty() || kill(std::stoi(pid), 0) == -1) << "lister left running";
        if (result == Found) {
            EXPECT_EQ(link.SendCommand(46, 0).result, TransactionResult::PortClosed);
        }
        EXPECT_EQ(ui.TakeBoxes(), boxes);
        EXPECT_EQ(folder.Read(kList), list);
    }
}

// Another program (a child that keeps the port open) holds the port without any lock: the
// port, listed by a link to it as /dev/serial/by-id lists one, is refused before its line is
// touched, and the box names that program and process, never this one.
TEST_F(DeviceLinkTest, APortAnotherProgramHoldsIsRefusedAndItsHolderNamed) {
    const int held = open(unit.SlavePath().c_str(), O_RDWR | O_NOCTTY);
    const pid_t holder = fork();
    if (holder == 0) {
        _exit(pause());  // until killed
    }
    close(held);
    std::filesystem::create_symlink(unit.SlavePath(), folder / "by-id");
    List(folder / "by-id");
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
}

// wndMain refuses input while a session holds the port, unless its window failed to open;
// the end closes the port and enables wndMain again.
TEST_F(DeviceLinkTest, MainWindowRefusesInputDuringTheSessionAndThePortClosesAtTheEnd) {
    List(unit.SlavePath());
    for (bool withoutWindow : {true, false}) {
        ui.failWindows = withoutWindow;
        const auto session = link.Session();
        EXPECT_EQ(ui.IsMainWindowEnabled(), withoutWindow);
        ASSERT_EQ(link.OpenCableLink(), CableSearch::Found);
        EXPECT_FALSE(testing::IsPortFree(unit.SlavePath()));
        EXPECT_EQ(link.SendCommand(46, 0).data, 2);  // the unit's class, the answer's data byte
    }
    EXPECT_TRUE(ui.IsMainWindowEnabled());
    EXPECT_TRUE(testing::IsPortFree(unit.SlavePath()));
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
    EXPECT_EQ(std::vector(shown.begin(), shown.begin() + std::min<size_t>(shown.size(), 12)),
              (std::vector{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 0}));
    std::this_thread::sleep_for(400ms);
    EXPECT_EQ(frames(), shown) << "a frame changed after the session ended";
}

}  // namespace
}  // namespace kavrel
