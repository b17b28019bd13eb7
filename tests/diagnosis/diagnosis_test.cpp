#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <tuple>

#include <gtest/gtest.h>

#include "diagnosis/causes.h"
#include "diagnosis/device_list_causes.h"
#include "diagnosis/holder_watch.h"
#include "diagnosis/open_holders.h"
#include "tests/support/scratch_folder.h"

namespace kavrel::diagnosis {
namespace {

namespace fs = std::filesystem;
using kavrel::testing::ScratchFolder;

// A machine's sysfs, /proc, /dev and group file as the kernel and the system lay them out, in
// a scratch folder; asked about by process 1 of user ivan. This process's group plays dialout.
struct Tree {
    // A USB device on bus 1 whose interface is bound to `driver` ("" for none), with the
    // usb-serial port `tty` of that driver when one is named.
    Tree& Usb(std::string port, std::string vendor, int address, std::string driver,
              std::string tty = "", std::string product = "", std::string removable = "") {
        const std::string usb = "sys/devices/usb1/" + port, interface = usb + "/" + port + ":1.0";
        const std::string names[] = {"idVendor", "busnum", "devnum", "product", "removable"};
        const std::string values[] = {vendor, "1", std::to_string(address), product, removable};
        for (int i = 0; i < 5; ++i) {
            root.Write(usb + "/" + names[i], values[i] + "\n");
        }
        fs::create_directories(root / interface);
        Link(usb, "sys/bus/usb/devices/" + port);
        Link(interface, "sys/bus/usb/devices/" + port + ":1.0");
        if (!driver.empty()) {
            Link("sys/bus/usb/drivers/" + driver, interface + "/driver");
        }
        if (!tty.empty()) {  // the port's class entry links back to it
            const std::string serial = interface + "/" + tty, entry = serial + "/tty/" + tty;
            Link("sys/bus/usb-serial/drivers/" + driver, serial + "/driver");
            Link(entry, "sys/class/tty/" + tty);
            fs::create_directories(root / entry);
            fs::create_symlink("../../../" + tty, root / (entry + "/device"));
        }
        return *this;
    }
    // A process holding `files` under /dev; without any, another user's, whose descriptors
    // cannot be read.
    Tree& Process(int pid, const std::string& program, std::vector<std::string> files = {}) {
        const std::string folder = "proc/" + std::to_string(pid);
        root.Write(folder + "/comm", program + "\n");
        for (size_t fd = 0; fd < files.size(); ++fd) {
            Link("dev/" + files[fd], folder + "/fd/" + std::to_string(fd + 3));
        }
        return *this;
    }
    // /dev/ttyUSB0 with `mode`, in group dialout of `members`.
    void Port(mode_t mode, const std::string& members = "") {
        root.Write("dev/ttyUSB0", "");
        chmod((root / "dev/ttyUSB0").c_str(), mode);
        const std::string dialout = std::to_string(getegid());
        root.Write("group", "plugdev:x:46:ivan\ndialout:x:" + dialout + ":" + members + "\n");
    }
    void Link(const std::string& target, const std::string& at) {
        fs::create_directories(fs::path(root / at).parent_path());
        fs::create_symlink(root / target, root / at);
    }
    ScratchFolder root;
    Machine machine{root / "sys", root / "proc", root / "dev", root / "group", 1, {}, "ivan"};
};

// Each row: what is wrong; the error of the failed open, 0 when no cable is found; fragments of
// the cause line, none when there is none; the machine.
// clang-format off
const std::tuple<const char*, int, std::vector<std::string>, void (*)(Tree&)> kCases[] = {
    {"brltty holds the CH340", 0, {"CH340", "brltty (PID 812)", "sudo apt remove brltty"},
     [](Tree& t) { t.Usb("1-2", "1a86", 4, "usbfs").Process(812, "brltty", {"bus/usb/001/004"}); }},
    {"another user's brltty holds the Prolific", 0, {"Prolific", "brltty (PID 700)"},
     [](Tree& t) { t.Usb("3-1", "067b", 9, "usbfs").Process(700, "brltty"); }},
    {"a program holds the CH340", 0, {"CH340", "flashrom (PID 4242)", "kill 4242"},
     [](Tree& t) { t.Usb("1-2", "1a86", 17, "usbfs").Process(600, "brltty", {"bus/usb/001/004"})
                       .Process(4242, "flashrom", {"null", "bus/usb/001/017"}); }},
    {"an unseen program holds the CH340", 0, {"CH340", "занят другой программой"},
     [](Tree& t) { t.Usb("1-2", "1a86", 4, "usbfs"); }},
    {"no driver serves the CH340", 0, {"CH340", "modprobe ch341"},
     [](Tree& t) { t.Usb("1-2", "1a86", 4, ""); }},
    {"an FTDI adapter", 0, {"USB UART (драйвер ftdi_sio)", "/dev/ttyUSB0", "CH340 или Prolific"},
     [](Tree& t) { t.Usb("1-1", "0403", 2, "ftdi_sio", "ttyUSB0", "FT232R USB UART"); }},
    {"nothing plugged in beside a built-in modem", 0, {"Кабель не подключён"},
     [](Tree& t) { t.Usb("1-4", "1199", 3, "qcserial", "ttyUSB0", "EM7455", "fixed"); }},
    {"a served CH340 beside an FTDI adapter", 0, {}, [](Tree& t) {
         t.Usb("1-1", "0403", 2, "ftdi_sio", "ttyUSB0").Usb("1-2", "1a86", 3, "ch341"); }},
    {"not in the group", EACCES, {"/dev/ttyUSB0", "sudo usermod -aG dialout ivan", "правило udev"},
     [](Tree& t) { t.Port(0660); }},
    {"joined the group after logging in", EACCES, {"/dev/ttyUSB0", "группу dialout", "Выйдите"},
     [](Tree& t) { t.Port(0660, "olga,ivan"); }},
    {"the port is its owner's only", EACCES, {"/dev/ttyUSB0", "только своему владельцу"},
     [](Tree& t) { t.Port(0600, "ivan"); }},
    {"in the group already", EACCES, {},
     [](Tree& t) { t.Port(0660); t.machine.groups = {getegid()}; }},
    {"a terminal program holds the port", EBUSY, {"/dev/ttyUSB0", "minicom (PID 4321)"},
     [](Tree& t) { t.Process(4321, "minicom", {"ttyUSB0"}); }},
    // Process 1, which asks, holds the port too.
    {"ModemManager probes the port", EIO, {"ModemManager (PID 900)", "Подождите"}, [](Tree& t) {
         t.Process(900, "ModemManager", {"ttyUSB0"}).Process(1, "kavrel-configur", {"ttyUSB0"}); }},
    {"an unseen program holds the port", EBUSY, {"занят другой программой"}, [](Tree&) {}},
    {"the port is gone", ENOENT, {"/dev/ttyUSB0", "кабель отключили"}, [](Tree&) {}},
    {"an unknown failure", EIO, {}, [](Tree&) {}},
};
// clang-format on

TEST(Diagnosis, NamesTheCauseFoundInTheMachineTree) {
    for (const auto& [name, openErrno, expected, build] : kCases) {
        SCOPED_TRACE(name);
        Tree tree;
        build(tree);
        const Machine& m = tree.machine;
        const std::string line =
            openErrno ? WhyPortDoesNotOpen(m, m.dev + "/ttyUSB0", openErrno) : WhyNoCable(m);
        for (const std::string& fragment : expected) {
            EXPECT_NE(line.find(fragment), std::string::npos) << line << "\nlacks " << fragment;
        }
        EXPECT_EQ(line.empty(), expected.empty()) << line;
    }
}

// Windows' device list as Device Manager shows it. Each row: what is wrong; the error of the
// failed open of COM7, 0 when no cable is found; fragments of the cause line, none when
// there is none; the present devices (vendor, product, status, problem, name, port).
constexpr uint32_t kStarted = 0x0100000A, kProblem = 0x01802400;  // DN_* flags as read
const PresentDevice kBoardPort{0, 0, kStarted, 0, "Последовательный порт (COM1)", "COM1"};
// clang-format off
const std::tuple<const char*, int, std::vector<std::string>, DeviceList> kDeviceLists[] = {
    {"no CH340 driver", 0, {"Кабель CH340", "код 28", "Установите драйвер CH340"},
     {kBoardPort, {0x1A86, 0x7523, kProblem, 28, "USB2.0-Serial", ""}}},
    {"the Prolific driver refuses the chip", ENOENT, {"код 10", "PL2303HXA/TA", "кабель CH340"},
     {{0x067B, 0x2303, kProblem, 10, "Prolific USB-to-Serial Comm Port (COM7)", "COM7"}}},
    {"the CH340 is disabled", ENOENT, {"CH340 отключён в диспетчере устройств", "Включите"},
     {{0x1A86, 0x7523, kProblem, 22, "USB-SERIAL CH340 (COM7)", "COM7"}}},
    {"the CH340 driver failed to load", 0, {"CH340 не запустился", "код 39", "Переустановите"},
     {{0x1A86, 0x7523, kProblem, 39, "USB-SERIAL CH340", ""}}},
    {"an FTDI adapter", 0, {"другого типа: USB Serial Port, порт COM5.", "CH340 или Prolific"},
     {kBoardPort, {0x0403, 0x6001, kStarted, 0, "USB Serial Port (COM5)", "COM5"}}},
    {"nothing plugged in beside the board's port", 0, {"Кабель не подключён", "Вставьте"},
     {kBoardPort}},
    {"a served CH340 beside an FTDI adapter", 0, {},
     {{0x0403, 0x6001, kStarted, 0, "USB Serial Port (COM5)", "COM5"},
      {0x1A86, 0x7523, kStarted, 0, "USB-SERIAL CH340 (COM7)", "COM7"}}},
    {"a problem code without its flag", 0, {},
     {{0x1A86, 0x7523, kStarted, 28, "USB-SERIAL CH340 (COM7)", "COM7"}}},
    {"another program has the port open", EBUSY, {"Порт COM7 занят другой программой", "Закройте"},
     {{0x1A86, 0x7523, kStarted, 0, "USB-SERIAL CH340 (COM7)", "COM7"}}},
    {"the port is gone", ENOENT, {"Порт COM7 пропал"}, {kBoardPort}},
    {"an unknown failure", EIO, {}, {}},
};
// clang-format on

TEST(Diagnosis, NamesTheCauseFoundInTheDeviceList) {
    for (const auto& [name, openErrno, expected, devices] : kDeviceLists) {
        SCOPED_TRACE(name);
        const std::string line =
            openErrno ? WhyPortDoesNotOpen(devices, "COM7", openErrno) : WhyNoCable(devices);
        for (const std::string& fragment : expected) {
            EXPECT_NE(line.find(fragment), std::string::npos) << line << "\nlacks " << fragment;
        }
        EXPECT_EQ(line.empty(), expected.empty()) << line;
    }
}

// The watch walks the processes again only after another process opened the port: until
// then a fake /proc that names a holder is not even read; after it, the opener is found.
TEST(Diagnosis, WatchWalksAgainOnlyAfterAnotherProcessOpensThePort) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_TRUE(master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0);
    const std::string slave = ptsname(master);
    Tree tree;
    tree.Process(4321, "minicom", {"ttyUSB0"});
    fs::create_directories(tree.root / "dev");
    fs::create_symlink(slave, tree.root / "dev/ttyUSB0");
    Machine fake;
    fake.proc = tree.machine.proc;
    fake.dev = tree.machine.dev;
    auto holderPid = [](const std::optional<Holder>& holder) { return holder ? holder->pid : 0; };

    HolderWatch watch;
    int port = open(slave.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    EXPECT_EQ(holderPid(watch.FindOtherHolder(Machine(), slave)), 0);
    close(port);  // this process opening the port again is no reason to walk
    port = open(slave.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    EXPECT_EQ(holderPid(watch.FindOtherHolder(fake, slave)), 0);

    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    if (child == 0) {
        if (open(slave.c_str(), O_RDWR | O_NOCTTY) >= 0 && write(ready[1], "", 1) == 1) {
            pause();
        }
        _exit(1);
    }
    char byte;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    EXPECT_EQ(holderPid(watch.FindOtherHolder(fake, slave)), 4321);
    EXPECT_EQ(holderPid(watch.FindOtherHolder(Machine(), slave)), child);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    EXPECT_EQ(holderPid(watch.FindOtherHolder(Machine(), slave)), 0);

    // A new pseudo-terminal, most likely given the same number and node number, is walked.
    for (const int fd : {port, master, ready[0], ready[1]}) {
        close(fd);
    }
    const int next = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_TRUE(next >= 0 && grantpt(next) == 0 && unlockpt(next) == 0);
    const std::string nextSlave = ptsname(next);
    fs::remove(tree.root / "dev/ttyUSB0");
    fs::create_symlink(nextSlave, tree.root / "dev/ttyUSB0");
    port = open(nextSlave.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    EXPECT_EQ(holderPid(watch.FindOtherHolder(fake, nextSlave)), 4321) << slave << nextSlave;
    close(port);
    close(next);
}

}  // namespace
}  // namespace kavrel::diagnosis
