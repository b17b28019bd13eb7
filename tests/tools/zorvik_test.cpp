#include <gtest/gtest.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "tests/support/scratch_folder.h"
#include "tools/virtual-cable/cable_registry.h"
#include "tools/zorvik/port_list.h"
#include "tools/zorvik/serial_ports.h"

namespace kavrel::zorvik {
namespace {

namespace fs = std::filesystem;
using testing::ScratchFolder;

// A sysfs tree in miniature, laid out as the kernel lays out the real one: the tty class
// entry links to its device, the device links to its driver, and the USB device with the
// vendor sits some levels above.
class FakeSysfs {
  public:
    explicit FakeSysfs(const ScratchFolder& folder) : root_(folder / "sys") {
        fs::create_directories(root_ + "/class/tty");
    }
    const std::string& Root() const { return root_; }

    // A tty class entry; `device` is a path under devices/ or "" for none.
    void AddTty(const std::string& name, const std::string& device, const std::string& driver,
                const std::string& type = "") {
        const fs::path entry = root_ + "/class/tty/" + name;
        fs::create_directories(entry);
        if (!type.empty()) {
            std::ofstream(entry / "type") << type << '\n';
        }
        if (device.empty()) {
            return;
        }
        const fs::path devicePath = root_ + "/devices/" + device;
        fs::create_directories(devicePath);
        fs::create_symlink(devicePath, entry / "device");
        if (!driver.empty()) {
            const fs::path driverPath = root_ + "/bus/drivers/" + driver;
            fs::create_directories(driverPath);
            fs::create_symlink(driverPath, devicePath / "driver");
        }
    }
    void SetUsbVendor(const std::string& usbDevice, const std::string& vendor) {
        fs::create_directories(root_ + "/devices/" + usbDevice);
        std::ofstream(root_ + "/devices/" + usbDevice + "/idVendor") << vendor << '\n';
    }

  private:
    std::string root_;
};

TEST(HardwarePortsTest, NamesKnownCablesAndDescribesOtherPortsPlainly) {
    ScratchFolder folder;
    FakeSysfs sysfs(folder);
    sysfs.SetUsbVendor("usb1/1-1", "1a86");
    sysfs.AddTty("ttyUSB0", "usb1/1-1/1-1:1.0/ttyUSB0", "ch341-uart");
    sysfs.SetUsbVendor("usb1/1-2", "067b");
    sysfs.AddTty("ttyUSB1", "usb1/1-2/1-2:1.0/ttyUSB1", "pl2303");
    sysfs.SetUsbVendor("usb1/1-3", "2341");
    sysfs.AddTty("ttyACM0", "usb1/1-3/1-3:1.0", "cdc_acm");
    sysfs.SetUsbVendor("usb1/1-4", "0403");
    sysfs.AddTty("ttyUSB2", "usb1/1-4/1-4:1.0/ttyUSB2", "ftdi_sio");
    sysfs.AddTty("ttyS0", "platform/serial8250.0", "serial8250", "0");  // an empty slot
    sysfs.AddTty("ttyS1", "platform/serial8250.1", "serial8250");       // nothing known
    sysfs.AddTty("ttyS4", "pnp0/00:04", "serial", "4");                 // a real 16550A
    sysfs.AddTty("tty1", "", "");                                       // a virtual console
    sysfs.AddTty("console", "", "");

    const std::vector<SerialPort> expected = {
        {kAcmDescription, "/dev/ttyACM0"},       {kPlainDescription, "/dev/ttyS4"},
        {kCh340Description, "/dev/ttyUSB0"},     {kProlificDescription, "/dev/ttyUSB1"},
        {kUsbSerialDescription, "/dev/ttyUSB2"},
    };
    EXPECT_EQ(HardwarePorts(sysfs.Root(), "/dev"), expected);
}

// The vendor of the USB device decides when the driver is not one we know by name: the
// vendor's own CH341 driver, a CH9102 behind cdc_acm, a Prolific chip on a generic driver.
TEST(HardwarePortsTest, CableVendorUpTheTreeDecides) {
    ScratchFolder folder;
    FakeSysfs sysfs(folder);
    sysfs.SetUsbVendor("usb2/2-1", "1A86");
    sysfs.AddTty("ttyCH341USB0", "usb2/2-1/2-1:1.0", "usb_ch341");
    sysfs.SetUsbVendor("usb2/2-2", "1a86");
    sysfs.AddTty("ttyACM1", "usb2/2-2/2-2:1.0", "cdc_acm");
    sysfs.SetUsbVendor("usb2/2-3", "067b");
    sysfs.AddTty("ttyUSB5", "usb2/2-3/2-3:1.0/ttyUSB5", "usbserial_generic");

    const std::vector<SerialPort> expected = {
        {kCh340Description, "/srv/dev/ttyACM1"},
        {kCh340Description, "/srv/dev/ttyCH341USB0"},
        {kProlificDescription, "/srv/dev/ttyUSB5"},
    };
    EXPECT_EQ(HardwarePorts(sysfs.Root(), "/srv/dev"), expected);
}

TEST(HardwarePortsTest, NoPortsOrNoSysfs) {
    ScratchFolder folder;
    FakeSysfs sysfs(folder);
    sysfs.AddTty("ttyS0", "platform/serial8250", "serial8250", "0");
    EXPECT_TRUE(HardwarePorts(sysfs.Root(), "/dev").empty());
    EXPECT_TRUE(HardwarePorts(folder / "nowhere", "/dev").empty());
}

TEST(PortListTest, ReplacesTheListWholeAndLeavesNoTemporaryFile) {
    ScratchFolder folder;
    folder.Write("listport.txt", "old list\n");
    ASSERT_TRUE(WritePortList(folder.Path(), "USB-SERIAL CH340 (/dev/ttyUSB0)\n"));
    EXPECT_EQ(folder.Read("listport.txt"), "USB-SERIAL CH340 (/dev/ttyUSB0)\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.Path()), fs::directory_iterator()), 1);
    EXPECT_FALSE(WritePortList(folder / "missing", "x"));
}

// Runs a copy of the Zorvik program in the folder with the given sysfs and registry.
int RunZorvik(const ScratchFolder& folder, const std::string& sysfs, const std::string& registry) {
    folder.CopyProgram("Zorvik");
    setenv("KAVREL_SYSFS_ROOT", sysfs.c_str(), 1);
    setenv("KAVREL_CABLE_REGISTRY", registry.c_str(), 1);
    setenv("KAVREL_DEV_DIR", "/dev", 1);
    const int status = std::system(("'" + (folder / "Zorvik") + "'").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

pid_t EndedProcess() {
    const pid_t pid = fork();
    if (pid == 0) {
        _exit(0);
    }
    waitpid(pid, nullptr, 0);
    return pid;
}

TEST(ZorvikProgramTest, ListsHardwarePortsAndLiveVirtualCables) {
    ScratchFolder folder;
    FakeSysfs sysfs(folder);
    sysfs.SetUsbVendor("usb1/1-1", "067b");
    sysfs.AddTty("ttyUSB0", "usb1/1-1/1-1:1.0/ttyUSB0", "pl2303");

    int master = -1;
    int slave = -1;
    char pty[256] = {};
    ASSERT_EQ(openpty(&master, &slave, pty, nullptr, nullptr), 0);
    const std::string registry = folder / "registry";
    cable::CableRegistration live(pty, registry);
    ASSERT_TRUE(live.IsRegistered());
    fs::create_directories(registry);
    std::ofstream(registry + "/ended.cable") << EndedProcess() << '\n' << pty << '\n';
    std::ofstream(registry + "/gone.cable") << getpid() << "\n/dev/pts/999999\n";

    EXPECT_EQ(RunZorvik(folder, sysfs.Root(), registry), 0);
    EXPECT_EQ(folder.Read("listport.txt"),
              "PROLIFIC USB-TO-SERIAL COMM PORT (/dev/ttyUSB0)\n"
              "USB-SERIAL CH340 (" +
                  std::string(pty) + ")\n");
    close(master);
    close(slave);
}

TEST(ZorvikProgramTest, NoPortsLeaveAnEmptyList) {
    ScratchFolder folder;
    FakeSysfs sysfs(folder);
    folder.Write("listport.txt", "USB-SERIAL CH340 (COM3)\r\n");
    EXPECT_EQ(RunZorvik(folder, sysfs.Root(), folder / "registry"), 0);
    EXPECT_TRUE(folder.Exists("listport.txt"));
    EXPECT_EQ(folder.Read("listport.txt"), "");
}

}  // namespace
}  // namespace kavrel::zorvik
