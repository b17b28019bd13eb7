#include <fcntl.h>
#include <signal.h>
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

// A machine laid out as the kernel lays out sysfs, /proc and /dev, in a scratch folder, asked
// about by process 1 of user ivan; this process's group plays dialout.
struct FakeMachine {
    // A USB device on bus 1 whose interface is bound to `driver` ("" for none).
    FakeMachine& Usb(const std::string& port, const std::string& vendor, int address,
                     const std::string& driver, const std::string& product = "",
                     const std::string& removable = "removable") {
        usb = "sys/devices/pci0000:00/0000:00:14.0/usb1/" + port;
        interface = usb + "/" + port + ":1.0";
        for (const auto& [name, value] : {std::pair<std::string, std::string>{"idVendor", vendor},
                                          {"busnum", "1"},
                                          {"devnum", std::to_string(address)},
                                          {"product", product},
                                          {"removable", removable}}) {
            tree.Write(usb + "/" + name, value + "\n");
        }
        fs::create_directories(tree / interface);
        if (!driver.empty()) {
            Link("sys/bus/usb/drivers/" + driver, interface + "/driver");
        }
        Link(usb, "sys/bus/usb/devices/" + port);
        Link(interface, "sys/bus/usb/devices/" + port + ":1.0");
        return *this;
    }
    // The usb-serial port `tty` of the last USB device, its class entry linking back to it.
    FakeMachine& Tty(const std::string& tty, const std::string& driver) {
        const std::string serial = interface + "/" + tty, entry = serial + "/tty/" + tty;
        fs::create_directories(tree / entry);
        Link("sys/bus/usb-serial/drivers/" + driver, serial + "/driver");
        fs::create_symlink("../../../" + tty, tree / (entry + "/device"));
        Link(entry, "sys/class/tty/" + tty);
        return *this;
    }
    // A process holding `files` under /dev; without any, another user's, whose descriptors
    // cannot be read.
    FakeMachine& Process(int pid, const std::string& program, std::vector<std::string> files = {}) {
        const std::string folder = "proc/" + std::to_string(pid);
        tree.Write(folder + "/comm", program + "\n");
        for (size_t fd = 0; fd < files.size(); ++fd) {
            Link("dev/" + files[fd], folder + "/fd/" + std::to_string(fd + 3));
        }
        return *this;
    }
    // /dev/ttyUSB0 with `mode`, in group dialout of `members`.
    FakeMachine& Port(mode_t mode, const std::string& members = "", bool inDialout = false) {
        tree.Write("dev/ttyUSB0", "");
        chmod((tree / "dev/ttyUSB0").c_str(), mode);
        const std::string dialout = std::to_string(getegid());
        tree.Write("group", "plugdev:x:46:ivan\ndialout:x:" + dialout + ":" + members + "\n");
        machine.groups = inDialout ? std::vector{getegid()} : std::vector<gid_t>{};
        return *this;
    }
    void Link(const std::string& target, const std::string& at) {
        fs::create_directories(fs::path(tree / at).parent_path());
        fs::create_symlink(tree / target, tree / at);
    }
    ScratchFolder tree;
    Machine machine{tree / "sys", tree / "proc", tree / "dev", tree / "group", 1, {}, "ivan"};
    std::string usb, interface;
};

struct Case {
    const char* name;
    void (*build)(FakeMachine&);
    int openErrno;  // 0 asks why no cable is found, else why /dev/ttyUSB0 does not open
    std::vector<std::string> expected;  // fragments of the line; none: no cause line
};
// clang-format off
const Case kCases[] = {
    {"brltty holds the CH340", [](FakeMachine& m) {
         m.Usb("1-2", "1a86", 4, "usbfs").Process(812, "brltty", {"bus/usb/001/004"}); },
     0, {"CH340", "brltty (PID 812)", "apt remove brltty"}},
    {"another user's brltty holds the Prolific", [](FakeMachine& m) {
         m.Usb("3-1", "067b", 9, "usbfs").Process(700, "brltty"); },
     0, {"Prolific", "brltty (PID 700)", "sudo apt remove brltty"}},
    {"a program holds the CH340", [](FakeMachine& m) {
         m.Usb("1-2", "1a86", 17, "usbfs").Process(600, "brltty", {"bus/usb/001/004"})
             .Process(4242, "flashrom", {"null", "bus/usb/001/017"}); },
     0, {"CH340", "flashrom (PID 4242)", "kill 4242"}},
    {"an unseen program holds the CH340", [](FakeMachine& m) { m.Usb("1-2", "1a86", 4, "usbfs"); },
     0, {"CH340", "занят другой программой"}},
    {"no driver serves the CH340", [](FakeMachine& m) { m.Usb("1-2", "1a86", 4, ""); },
     0, {"CH340", "modprobe ch341"}},
    {"an FTDI adapter", [](FakeMachine& m) {
         m.Usb("1-1", "0403", 2, "ftdi_sio", "FT232R USB UART").Tty("ttyUSB0", "ftdi_sio"); },
     0, {"FT232R USB UART (драйвер ftdi_sio)", "/dev/ttyUSB0", "CH340 или Prolific"}},
    {"nothing plugged in beside a built-in modem", [](FakeMachine& m) {
         m.Usb("1-4", "1199", 3, "qcserial", "EM7455", "fixed").Tty("ttyUSB0", "qcserial"); },
     0, {"Кабель не подключён"}},
    {"a served CH340 beside an FTDI adapter", [](FakeMachine& m) {
         m.Usb("1-1", "0403", 2, "ftdi_sio").Tty("ttyUSB0", "ftdi_sio");
         m.Usb("1-2", "1a86", 3, "ch341").Tty("ttyUSB1", "ch341-uart"); },
     0, {}},
    {"not in the group", [](FakeMachine& m) { m.Port(0660); },
     EACCES, {"/dev/ttyUSB0", "sudo usermod -aG dialout ivan", "правило udev"}},
    {"joined the group after logging in", [](FakeMachine& m) { m.Port(0660, "olga,ivan"); },
     EACCES, {"/dev/ttyUSB0", "группу dialout", "Выйдите", "правило udev"}},
    {"the port is its owner's only", [](FakeMachine& m) { m.Port(0600, "ivan"); },
     EACCES, {"/dev/ttyUSB0", "только своему владельцу"}},
    {"in the group already", [](FakeMachine& m) { m.Port(0660, "", true); }, EACCES, {}},
    {"a terminal program holds the port", [](FakeMachine& m) {
         m.Process(4321, "minicom", {"ttyUSB0"}); },
     EBUSY, {"/dev/ttyUSB0", "minicom (PID 4321)"}},
    {"ModemManager probes the port", [](FakeMachine& m) {  // pid 1 is the asking process
         m.Process(1, "kavrel-configur", {"ttyUSB0"}).Process(900, "ModemManager", {"ttyUSB0"}); },
     EIO, {"ModemManager (PID 900)", "Подождите"}},
    {"an unseen program holds the port", [](FakeMachine&) {}, EBUSY, {"занят другой программой"}},
    {"the port is gone", [](FakeMachine&) {}, ENOENT, {"/dev/ttyUSB0", "кабель отключили"}},
    {"an unknown failure", [](FakeMachine&) {}, EIO, {}},
};
// clang-format on

TEST(Diagnosis, NamesTheCauseFoundInTheMachineTree) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        FakeMachine fake;
        c.build(fake);
        const Machine& m = fake.machine;
        const std::string line = c.openErrno == 0
                                     ? WhyNoCable(m)
                                     : WhyPortDoesNotOpen(m, m.dev + "/ttyUSB0", c.openErrno);
        for (const std::string& fragment : c.expected) {
            EXPECT_NE(line.find(fragment), std::string::npos) << line << "\nlacks " << fragment;
        }
        EXPECT_EQ(line.empty(), c.expected.empty()) << line;
    }
}

// A real process holds a pseudo-terminal open, as a terminal program holds a port; this
// process holds it too, and is never reported.
TEST(Diagnosis, FindsTheRealProcessHoldingAPort) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_TRUE(master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0);
    const std::string slave = ptsname(master);
    const int own = open(slave.c_str(), O_RDWR | O_NOCTTY);  // inherited by the child
    int started[2];
    ASSERT_EQ(pipe2(started, O_CLOEXEC), 0);
    const pid_t child = fork();
    if (child == 0) {
        execlp("sleep", "sleep", "60", nullptr);
        _exit(127);
    }
    close(started[1]);
    char byte;
    ASSERT_EQ(read(started[0], &byte, 1), 0);  // the pipe closes once sleep runs
    close(started[0]);
    ScratchFolder folder;
    fs::create_symlink(slave, folder / "by-id");  // found by its device number

    const Machine machine;
    for (const std::string& path : {slave, folder / "by-id"}) {
        const auto holder = FindOtherHolder(machine, path);
        ASSERT_TRUE(holder) << path;
        EXPECT_EQ(holder->pid, child);
        EXPECT_EQ(holder->program, "sleep");
    }
    EXPECT_NE(WhyPortDoesNotOpen(machine, slave, EBUSY).find("sleep (PID " + std::to_string(child)),
              std::string::npos);
    kill(child, SIGKILL);
    ASSERT_EQ(waitpid(child, nullptr, 0), child);
    EXPECT_FALSE(FindOtherHolder(machine, slave));
    close(own);
    close(master);
}

}  // namespace
}  // namespace kavrel::diagnosis
