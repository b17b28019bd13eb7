#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include <gtest/gtest.h>

#include "diagnosis/causes.h"
#include "diagnosis/open_holders.h"
#include "tests/support/scratch_folder.h"

namespace kavrel::diagnosis {
namespace {

namespace fs = std::filesystem;
using kavrel::testing::ScratchFolder;

struct Usb {  // a USB device on bus 1 and, when it has one, its usb-serial port
    std::string port, vendor;
    int address;
    std::string driver, product = "", tty = "", ttyDriver = "", removable = "removable";
};
struct Process {  // no files: another user's process, whose descriptors cannot be read
    int pid;
    std::string program;
    std::vector<std::string> files;  // under /dev
};
struct Case {
    const char* name;
    std::vector<Usb> usb;
    std::vector<Process> processes;
    int openErrno;  // 0 asks why no cable is found, else why /dev/ttyUSB0 does not open
    std::vector<std::string> expected;  // fragments of the line; none: no cause line
    mode_t portMode = 0;                // /dev/ttyUSB0 in group dialout, when not 0
    std::string dialoutMembers = "";
    bool inDialout = false;
};

// A machine laid out as the kernel lays out sysfs and /proc, in a scratch folder.
struct FakeMachine {
    explicit FakeMachine(const Case& c) {
        const gid_t dialout = getegid();
        machine = {tree / "sys", tree / "proc", tree / "dev", tree / "group", 1, {}, "ivan"};
        if (c.inDialout) {
            machine.groups = {dialout};
        }
        for (const char* folder : {"sys/bus/usb/devices", "sys/class/tty", "proc", "dev"}) {
            fs::create_directories(tree / folder);
        }
        for (const Usb& usb : c.usb) {
            AddUsb(usb);
        }
        for (const Process& process : c.processes) {
            AddProcess(process);
        }
        if (c.portMode) {
            tree.Write("dev/ttyUSB0", "");
            chmod((tree / "dev/ttyUSB0").c_str(), c.portMode);
            tree.Write("group", "plugdev:x:46:ivan\ndialout:x:" + std::to_string(dialout) + ":" +
                                    c.dialoutMembers + "\n");
        }
    }
    void AddUsb(const Usb& usb) {
        const std::string device = "sys/devices/pci0000:00/0000:00:14.0/usb1/" + usb.port;
        const std::string interface = device + "/" + usb.port + ":1.0";
        tree.Write(device + "/idVendor", usb.vendor + "\n");
        tree.Write(device + "/busnum", "1\n");
        tree.Write(device + "/devnum", std::to_string(usb.address) + "\n");
        tree.Write(device + "/product", usb.product + "\n");
        tree.Write(device + "/removable", usb.removable + "\n");
        fs::create_directories(tree / interface);
        if (!usb.driver.empty()) {
            fs::create_symlink(tree / ("sys/bus/usb/drivers/" + usb.driver),
                               tree / (interface + "/driver"));
        }
        fs::create_symlink(tree / device, tree / ("sys/bus/usb/devices/" + usb.port));
        fs::create_symlink(tree / interface, tree / ("sys/bus/usb/devices/" + usb.port + ":1.0"));
        if (!usb.tty.empty()) {  // the port under the interface, its tty linking back to it
            const std::string serial = interface + "/" + usb.tty,
                              entry = serial + "/tty/" + usb.tty;
            fs::create_directories(tree / entry);
            fs::create_symlink(tree / ("sys/bus/usb-serial/drivers/" + usb.ttyDriver),
                               tree / (serial + "/driver"));
            fs::create_symlink("../../../" + usb.tty, tree / (entry + "/device"));
            fs::create_symlink(tree / entry, tree / ("sys/class/tty/" + usb.tty));
        }
    }
    void AddProcess(const Process& process) {
        const std::string folder = "proc/" + std::to_string(process.pid);
        tree.Write(folder + "/comm", process.program + "\n");
        for (size_t fd = 0; fd < process.files.size(); ++fd) {
            fs::create_directories(tree / (folder + "/fd"));
            fs::create_symlink(machine.dev + "/" + process.files[fd],
                               tree / (folder + "/fd/" + std::to_string(fd + 3)));
        }
    }
    ScratchFolder tree;
    Machine machine;
};

// One case a row or two.
// clang-format off
const Case kCases[] = {
    {"brltty holds the CH340", {{"1-2", "1a86", 4, "usbfs"}},
     {{812, "brltty", {"bus/usb/001/004"}}}, 0, {"CH340", "brltty (PID 812)", "apt remove brltty"}},
    {"another user's brltty holds the Prolific", {{"3-1", "067b", 9, "usbfs"}},
     {{700, "brltty", {}}}, 0, {"Prolific", "brltty (PID 700)", "sudo apt remove brltty"}},
    {"a program holds the CH340", {{"1-2", "1a86", 17, "usbfs"}},
     {{600, "brltty", {"bus/usb/001/004"}}, {4242, "flashrom", {"null", "bus/usb/001/017"}}},
     0, {"CH340", "flashrom (PID 4242)", "kill 4242"}},
    {"an unseen program holds the CH340", {{"1-2", "1a86", 4, "usbfs"}}, {},
     0, {"CH340", "занят другой программой"}},
    {"no driver serves the CH340", {{"1-2", "1a86", 4, ""}}, {}, 0, {"CH340", "modprobe ch341"}},
    {"an FTDI adapter", {{"1-1", "0403", 2, "ftdi_sio", "FT232R USB UART", "ttyUSB0", "ftdi_sio"}},
     {}, 0, {"FT232R USB UART (драйвер ftdi_sio)", "/dev/ttyUSB0", "CH340 или Prolific"}},
    {"nothing plugged in beside a built-in modem",
     {{"1-4", "1199", 3, "qcserial", "EM7455", "ttyUSB0", "qcserial", "fixed"}}, {},
     0, {"Кабель не подключён"}},
    {"a served CH340 beside an FTDI adapter",
     {{"1-1", "0403", 2, "ftdi_sio", "", "ttyUSB0", "ftdi_sio"},
      {"1-2", "1a86", 3, "ch341", "", "ttyUSB1", "ch341-uart"}}, {}, 0, {}},
    {"not in the group", {}, {},
     EACCES, {"/dev/ttyUSB0", "sudo usermod -aG dialout ivan", "правило udev"}, 0660},
    {"joined the group after logging in", {}, {},
     EACCES, {"/dev/ttyUSB0", "группу dialout", "Выйдите", "правило udev"}, 0660, "olga,ivan"},
    {"the port is its owner's only", {}, {},
     EACCES, {"/dev/ttyUSB0", "только своему владельцу"}, 0600, "ivan"},
    {"in the group already", {}, {}, EACCES, {}, 0660, "", true},
    {"a terminal program holds the port", {}, {{4321, "minicom", {"ttyUSB0"}}},
     EBUSY, {"/dev/ttyUSB0", "minicom (PID 4321)"}},
    {"ModemManager probes the port", {},  // pid 1 is the asking process
     {{1, "kavrel-configur", {"ttyUSB0"}}, {900, "ModemManager", {"ttyUSB0"}}},
     EIO, {"ModemManager (PID 900)", "Подождите"}},
    {"an unseen program holds the port", {}, {}, EBUSY, {"занят другой программой"}},
    {"the port is gone", {}, {}, ENOENT, {"/dev/ttyUSB0", "кабель отключили"}},
    {"an unknown failure", {}, {}, EIO, {}},
};
// clang-format on

TEST(Diagnosis, NamesTheCauseFoundInTheMachineTree) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        FakeMachine fake(c);
        const std::string line =
            c.openErrno == 0
                ? WhyNoCable(fake.machine)
                : WhyPortDoesNotOpen(fake.machine, fake.machine.dev + "/ttyUSB0", c.openErrno);
        for (const std::string& fragment : c.expected) {
            EXPECT_NE(line.find(fragment), std::string::npos) << line << "\nlacks " << fragment;
        }
        EXPECT_EQ(line.empty(), c.expected.empty()) << line;
    }
}

// A real child process holds a pseudo-terminal open, as a terminal program holds a port.
TEST(Diagnosis, FindsTheRealProcessHoldingAPort) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master) | unlockpt(master), 0);
    const std::string slave = ptsname(master);
    int ready[2], release[2];
    ASSERT_EQ(pipe(ready) | pipe(release), 0);
    const pid_t child = fork();
    if (child == 0) {
        close(ready[0]);
        close(release[1]);
        prctl(PR_SET_NAME, "port-holder");
        const char opened = open(slave.c_str(), O_RDWR | O_NOCTTY) >= 0;
        char end;
        _exit(write(ready[1], &opened, 1) == 1 && read(release[0], &end, 1) == 0 ? 0 : 1);
    }
    close(ready[1]);
    close(release[0]);
    char opened = 0;
    ASSERT_EQ(read(ready[0], &opened, 1), 1);
    ASSERT_TRUE(opened);
    // The asking process holds it too, and is not another holder.
    const int own = open(slave.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ScratchFolder folder;
    fs::create_symlink(slave, folder / "by-id");  // found by its device number

    const Machine machine;
    for (const std::string& path : {slave, folder / "by-id"}) {
        const auto holder = FindOtherHolder(machine, path);
        ASSERT_TRUE(holder) << path;
        EXPECT_EQ(holder->pid, child);
        EXPECT_EQ(holder->program, "port-holder");
    }
    EXPECT_NE(WhyPortDoesNotOpen(machine, slave, EBUSY)
                  .find("port-holder (PID " + std::to_string(child) + ")"),
              std::string::npos);

    close(release[1]);
    int status = -1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_EQ(status, 0);
    EXPECT_FALSE(FindOtherHolder(machine, slave));
    close(own);
    close(master);
}

}  // namespace
}  // namespace kavrel::diagnosis
