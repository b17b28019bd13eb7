#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>

#include "link/port_list_contract.h"
#include "tests/support/program.h"
#include "tests/support/scratch_folder.h"
#include "tools/virtual-cable/cable_registry.h"
#include "tools/zorvik/com_ports.h"

namespace kavrel {
namespace {

namespace fs = std::filesystem;

// Up to `count` bytes from `fd`, fewer after 5 s of silence.
std::string ReadBytes(int fd, size_t count) {
    std::string text;
    char c = 0;
    for (pollfd ready{fd, POLLIN, 0};
         text.size() < count && poll(&ready, 1, 5000) == 1 && read(fd, &c, 1) == 1;) {
        text += c;
    }
    return text;
}

using testing::Simulator;

// --help succeeds and a bad option fails, both with the usage. Requests 6E FF cmd value sum,
// answers 6E FF data sum, from the model the options describe; the one refused write is not
// stored, the next one is.
TEST(KavrelSimTest, ShowsItsUsageAndAnswersFromTheModelItsOptionsDescribe) {
    Simulator help({"--help"}), bogus({"--bogus"});
    EXPECT_EQ(help.path, "Usage: kavrel-sim [options]");
    EXPECT_EQ(std::pair(help.End(), bogus.End()), std::pair(0, 2));
    EXPECT_NE((bogus.path + bogus.out).find(help.path), std::string::npos) << bogus.out;
    Simulator simulator(
        {"--mode", "2", "--class", "3", "--fault", "35:refuse:5:1", "--no-register"});
    const int line = open(simulator.path.c_str(), O_RDWR | O_NOCTTY);
    const auto checksum = [](int sum) { return static_cast<char>(0u - 0x6Eu - 0xFFu - sum); };
    // command, value written, data answered
    const char exchanges[][3] = {{46, 0, 3}, {41, 0, 2},  {35, 1, 5},
                                 {41, 0, 2}, {35, 1, 26}, {41, 0, 1}};
    for (const auto& [command, value, data] : exchanges) {
        const std::string request{'\x6E', '\xFF', command, value, checksum(command + value)};
        ASSERT_EQ(write(line, request.data(), request.size()), 5) << simulator.path;
        EXPECT_EQ(ReadBytes(line, 4), (std::string{'\x6E', '\xFF', data, checksum(data)}))
            << int{command};
    }
    close(line);
}

// Zorvik copied into a folder of its own, with a fake sysfs tree and cable registry there.
struct ZorvikTest : ::testing::Test {
    void SetUp() override {
        setenv("KAVREL_SYSFS_ROOT", (folder / "sys").c_str(), 1);
        setenv("KAVREL_CABLE_REGISTRY", (folder / "registry").c_str(), 1);
        folder.CopyProgram("Zorvik");
        folder.Write("listport.txt", "USB-SERIAL CH340 (COM3)\r\n");
    }
    // Runs Zorvik, which must succeed, and reads the list it wrote beside itself; what it says
    // on standard error goes to the file "stderr".
    std::string List() {
        const std::string command = "'" + (folder / "Zorvik") + "' 2>'" + (folder / "stderr") + "'";
        EXPECT_EQ(std::system(command.c_str()), 0);
        return folder.Read("listport.txt");
    }
    auto Count(const char* sub) { return std::distance(fs::directory_iterator(folder / sub), {}); }
    // A terminal laid out as the kernel lays out /sys: the class entry links to its device,
    // the device to its driver, and the USB device with the vendor sits above the device.
    void AddTty(std::string name, std::string driver, std::string vendor, std::string uart = "") {
        const std::string usb = "sys/devices/" + name, entry = "sys/class/tty/" + name;
        fs::create_directories(folder / (usb + "/1-1:1.0"));
        fs::create_symlink("/sys/bus/drivers/" + driver, folder / (usb + "/1-1:1.0/driver"));
        folder.Write(usb + "/idVendor", vendor + "\n");  // an empty file reads as no vendor
        folder.Write(entry + "/type", uart + "\n");      // none reads as no UART
        fs::create_symlink(folder / (usb + "/1-1:1.0"), folder / (entry + "/device"));
    }
    testing::ScratchFolder folder;
    const std::string ch340{port_list::kCh340Cable}, prolific{port_list::kProlificCable};
};

TEST_F(ZorvikTest, ReplacesTheListWithTheSerialPortsOfTheTree) {
    AddTty("ttyUSB0", "ch341-uart", "");
    AddTty("ttyACM1", "cdc_acm", "1a86");
    AddTty("ttyUSB1", "pl2303", "");
    AddTty("ttyUSB2", "usbserial_generic", "067b");
    AddTty("ttyACM0", "cdc_acm", "2341");
    AddTty("ttyS0", "serial8250", "", "0");                        // a legacy slot without a UART
    AddTty("ttyS4", "serial8250", "", "4");                        // a 16550A
    folder.Write("listport.txt.a1B2c3", "USB-SERIAL CH340 (COM");  // an earlier run was killed
    EXPECT_EQ(List(), "USB ACM Modem (/dev/ttyACM0)\n" + ch340 + " (/dev/ttyACM1)\n" +
                          "Serial Port (/dev/ttyS4)\n" + ch340 + " (/dev/ttyUSB0)\n" + prolific +
                          " (/dev/ttyUSB1)\n" + prolific + " (/dev/ttyUSB2)\n");
    EXPECT_EQ(Count(""), 4) << "a temporary list was left behind";  // Zorvik, sys, its 2 outputs
}

// Simulators are listed before the hardware, so that a real cable wins; a registration is
// listed only while its simulator holds it and names a pseudo-terminal.
TEST_F(ZorvikTest, ListsLiveSimulatorsOnPseudoTerminalsBeforeTheHardware) {
    AddTty("ttyUSB0", "ch341-uart", "");
    Simulator listed, killed, unlisted({"--no-register"});
    ASSERT_EQ(killed.End(SIGKILL), -1);  // its registration stays behind
    const cable::CableRegistration notATerminal("/dev/null", folder / "registry");
    ASSERT_EQ(Count("registry"), 3);
    EXPECT_EQ(List(), ch340 + " (" + listed.path + ")\n" + ch340 + " (/dev/ttyUSB0)\n");
    EXPECT_EQ(Count("registry"), 2) << "the dead simulator's registration is still there";
    EXPECT_EQ(listed.End(SIGTERM), 0);
    EXPECT_EQ(Count("registry"), 1) << "a registration outlived its simulator";
}

// A registry folder that someone else could write to is neither read nor registered in; the
// list is replaced by an empty one.
TEST_F(ZorvikTest, IgnoresARegistryFolderOthersControl) {
    const std::string registry = folder / "registry";
    for (const bool otherOwner : {false, true}) {
        SCOPED_TRACE(otherOwner ? "owned by another user" : "open to others");
        Simulator before;  // creates the folder
        const passwd* nobody = getpwnam("nobody");
        if (otherOwner && (geteuid() != 0 || !nobody)) {
            GTEST_SKIP() << "only root can give a folder to another user (nobody)";
        }
        ASSERT_EQ(0, otherOwner ? chown(registry.c_str(), nobody->pw_uid, nobody->pw_gid)
                                : chmod(registry.c_str(), 0755));
        Simulator after;
        EXPECT_EQ(List(), "");
        const std::string reason = " ignored: not a folder of this user closed to others\n";
        EXPECT_EQ(folder.Read("stderr"), "cable registry " + registry + reason);
        EXPECT_EQ(Count("registry"), 1) << "a simulator registered in the folder";
        fs::remove_all(registry);
    }
}

// Zorvik.exe: the two cables by their USB vendor, whatever their drivers call them; any
// other port by its Device Manager name without the "(COMn)" Windows adds.
TEST(ZorvikWindows, DescribesComPortsByVendorElseByName) {
    const std::tuple<std::string_view, std::string_view, std::string_view> table[] = {
        {"USB\\VID_1A86&PID_7523&REV_0264", "USB-SERIAL CH341A (COM3)", port_list::kCh340Cable},
        {"usb\\vid_067b&pid_23a3", "Prolific PL2303GC USB Serial COM Port (COM4)",
         port_list::kProlificCable},
        {"FTDIBUS\\COMPORT&VID_0403&PID_6001", "USB Serial Port (COM5)", "USB Serial Port"},
        {"ACPI\\PNP0501", "Communications Port (COM1)", "Communications Port"},
        {"ACPI\\PNP0501", "Port (COM1) spare", "Port (COM1) spare"},
        {"", "", "Serial Port"}};
    for (const auto& [hardwareId, friendlyName, description] : table) {
        EXPECT_EQ(zorvik::DescribeComPort(hardwareId, friendlyName), description) << hardwareId;
    }
}

}  // namespace
}  // namespace kavrel
