// Opening the cable link (the lister, its port list, the program folder) and the exchange
// sessions that frame each device operation.
#include <gtest/gtest.h>
#include <signal.h>

#include <cstdlib>
#include <tuple>

#include "link/cable_search.h"
#include "link/device_link.h"
#include "link/link_texts.h"
#include "link/lister_process.h"
#include "link/port_name.h"
#include "tests/support/memory_ui.h"
#include "tests/support/port_probe.h"
#include "tests/support/scratch_folder.h"
#include "tools/kavrel-sim/simulated_unit.h"
#include "tools/virtual-cable/cable_registry.h"

namespace kavrel {
namespace {

using namespace std::string_literals;

const std::string kLaunchFailure = "Ошибка!: При открытии файла \"Zorvik\" возникла ошибка";
const std::string kNoCable = std::string(texts::kErrorTitle) + ": " +
                             std::string(texts::kCommandFailed) + std::string(texts::kNoCable);

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
        {"Serial Port (COM1)\r\nUSB-SERIAL CH340 (COM8)", "COM8"},
        {"", ""},
        {"\r\n\n\r\0"s, ""},
        {"USB-SERIAL CH340 (\xcf\xee\xf0\xf2 1)\r\n", "\xcf\xee\xf0\xf2 1"},  // bytes kept
        {std::string(5000, 'x') + " USB-SERIAL CH340 (" + longPort + ")", longPort},
    };
    for (const auto& [list, port] : cases) {
        EXPECT_EQ(PortNameFromList(list), port) << list.substr(0, 80);
    }
}

TEST_F(DeviceLinkTest, TheProgramFolderOfADeepFolderIsNotCut) {
    const std::string deep = folder / (std::string(200, 'd') + "/" + std::string(200, 'e') + "/");
    std::filesystem::create_directories(deep);
    std::filesystem::copy_file(KAVREL_CHECK_PROGRAM_FOLDER, deep + "check");
    EXPECT_EQ(std::system(("'" + deep + "check' '" + deep + "'").c_str()), 0);
}

// A list from an earlier run is read unchanged whatever the lister then does, but never
// when the lister could not be started.
TEST(OpenCableLink, ReadsWhatTheListerLeavesAndReportsWhatFails) {
    const std::string oldList = "USB-SERIAL CH340 (kavrel-none)\r\n";
    constexpr auto kNone = CableSearch::NoCable;
    const std::tuple<const char*, bool, std::string, CableSearch, std::vector<std::string>>
        cases[] = {
            // lister (nullptr: missing), executable, list left, result, boxes in order
            {nullptr, false, oldList, kNone, {kLaunchFailure, kNoCable}},
            {"exit 0", false, oldList, kNone, {kLaunchFailure, kNoCable}},
            {"exit 0", true, "", kNone, {kNoCable}},
            // the port that does not open is the first transaction's to report
            {"exit 3", true, oldList, CableSearch::Found, {}},
        };
    for (const auto& [lister, executable, list, result, boxes] : cases) {
        SCOPED_TRACE(std::string(lister ? lister : "none") + (executable ? " +x" : ""));
        testing::ScratchFolder folder;
        if (!list.empty()) {
            folder.Write("listport.txt", list);
        }
        if (lister) {
            folder.Write("Zorvik", "#!/bin/sh\n"s + lister, executable);
        }
        testing::MemoryUi ui;
        DeviceLink link(ui, folder.Path());
        EXPECT_EQ(link.OpenCableLink(), result);
        EXPECT_EQ(Boxes(ui), boxes);
        EXPECT_EQ(folder.Read("listport.txt"), list);
    }
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

// The real lister finds a simulator's registered terminal and the port opens on it.
TEST_F(DeviceLinkTest, RealZorvikFindsARegisteredSimulator) {
    folder.CopyProgram("Zorvik");
    setenv("KAVREL_SYSFS_ROOT", (folder / "no-sys").c_str(), 1);  // no ports but the cable
    setenv("KAVREL_CABLE_REGISTRY", (folder / "registry").c_str(), 1);
    cable::CableRegistration registration(unit.SlavePath(), folder / "registry");
    EXPECT_EQ(link.OpenCableLink(), CableSearch::Found);
    EXPECT_EQ(folder.Read("listport.txt"), "USB-SERIAL CH340 (" + unit.SlavePath() + ")\n");
    EXPECT_FALSE(testing::IsPortFree(unit.SlavePath()));
}

// Without a window the session goes on with wndMain enabled. Either way the end closes the
// port and enables wndMain unless wndInfo stays open.
TEST_F(DeviceLinkTest, MainWindowRefusesInputDuringTheSessionAndThePortClosesAtTheEnd) {
    folder.Write("Zorvik", "#!/bin/sh\nexit 0\n", true);
    folder.Write("listport.txt", "USB-SERIAL CH340 (" + unit.SlavePath() + ")\n");
    for (bool withoutWindow : {true, false, false}) {
        ui.failWindows = withoutWindow;
        {
            const auto session = link.Session();
            EXPECT_EQ(ui.IsMainWindowEnabled(), withoutWindow) << "without a window";
            ASSERT_EQ(link.OpenCableLink(), CableSearch::Found);
            EXPECT_FALSE(testing::IsPortFree(unit.SlavePath()));
            if (!withoutWindow && ui.exchangeWindowOpenings == 2) {
                ASSERT_TRUE(ui.OpenInfoWindow());
            }
        }
        EXPECT_EQ(ui.IsMainWindowEnabled(), !ui.IsInfoWindowOpen());
        EXPECT_FALSE(ui.exchangeWindowOpen);
        EXPECT_TRUE(testing::IsPortFree(unit.SlavePath()));
    }
    EXPECT_TRUE(ui.IsInfoWindowOpen());
}

TEST_F(DeviceLinkTest, AnimationTurnsFromOneToElevenThenZeroUntilTheSessionEnds) {
    std::chrono::steady_clock::time_point start;
    {
        const auto session = link.Session();  // the window opens on frame 0
        for (int wait = 0; wait < 2000 && ui.AnimationFrames().size() < 13; ++wait) {
            std::this_thread::sleep_for(10ms);
        }
        start = std::chrono::steady_clock::now();
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    const std::vector<int> frames = ui.AnimationFrames();
    ASSERT_GE(frames.size(), 13u);
    EXPECT_EQ(std::vector(frames.begin(), frames.begin() + 13),
              (std::vector{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 0}));
    std::this_thread::sleep_for(400ms);
    EXPECT_EQ(ui.AnimationFrames(), frames) << "a frame changed after the session ended";
}

}  // namespace
}  // namespace kavrel
