// Whatever another program left under the port list's name, or whatever the list names as
// the port: the configurator never blocks, never reads without end, and tells the operator.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <optional>
#include <thread>
#include <tuple>

#include "link/cable_search.h"
#include "link/device_link.h"
#include "link/port_list_file.h"
#include "tests/support/memory_ui.h"
#include "tests/support/scratch_folder.h"

namespace kavrel {
namespace {

using namespace std::string_literals;
using namespace std::chrono_literals;

const std::string kList = "listport.txt";

// A folder whose lister ends at once, leaving whatever the test put there.
struct ListedFolder : testing::ScratchFolder {
    ListedFolder() { Write("Zorvik", "#!/bin/sh\nexit 0\n", true); }
};

// What stands under the list's name: anything but a regular file is refused without
// blocking, and a regular file is read whole, however long its lines.
TEST(FindCablePort, ReadsOnlyARegularListAndNeverBlocks) {
    const std::string tenMegabyteLine = std::string(10'000'000, 'x') + " USB-SERIAL CH340 (COM3)";
    // what, how it is made, whether it is read as a list, the port found
    const std::tuple<const char*, std::function<void(const ListedFolder&)>, bool, std::string>
        cases[] = {
            {"missing", [](const ListedFolder&) {}, false, ""},
            {"fifo", [](const ListedFolder& f) { ASSERT_EQ(mkfifo((f / kList).c_str(), 0644), 0); },
             false, ""},
            {"directory",
             [](const ListedFolder& f) { std::filesystem::create_directory(f / kList); }, false,
             ""},
            {"link to /dev/zero",
             [](const ListedFolder& f) { std::filesystem::create_symlink("/dev/zero", f / kList); },
             false, ""},
            {"link to a list",
             [](const ListedFolder& f) {
                 f.Write("real", "USB-SERIAL CH340 (COM5)\n");
                 std::filesystem::create_symlink(f / "real", f / kList);
             },
             true, "COM5"},
            {"10 MB line", [&](const ListedFolder& f) { f.Write(kList, tenMegabyteLine); }, true,
             "COM3"},
            {"control bytes",
             [](const ListedFolder& f) {
                 f.Write(kList, "USB-SERIAL CH340 (\x01\x1b[2J\x7f\tCOM\b3)");
             },
             true, "\x01\x1b[2J\x7f\tCOM\b3"},
        };
    alarm(20);  // a read that blocks ends the test here instead of at CTest's time-out
    for (const auto& [what, make, isList, port] : cases) {
        SCOPED_TRACE(what);
        ListedFolder folder;
        make(folder);
        testing::MemoryUi ui;
        EXPECT_EQ(FindCablePort(ui, folder.Path()), port);
        EXPECT_TRUE(ui.messages.empty());
        EXPECT_EQ(ReadPortList(folder / kList).has_value(), isList);
    }
    alarm(0);
}

// A list that keeps going (here a sparse gigabyte) is read up to the bound and no further.
TEST(ReadPortList, StopsAtTheBound) {
    testing::ScratchFolder folder;
    const std::string head = "USB-SERIAL CH340 (COM3)\n";
    folder.Write(kList, head);
    ASSERT_EQ(truncate((folder / kList).c_str(), 1LL << 30), 0);
    const auto bytes = ReadPortList(folder / kList);
    ASSERT_TRUE(bytes.has_value());
    EXPECT_EQ(bytes->size(), kMaxPortListBytes);
    EXPECT_EQ(bytes->substr(0, head.size()), head);
}

// A list we may not read is not there for us. Root reads any file, so the check runs in a
// child as nobody; a readable list beside it shows the child can reach the folder at all.
TEST(ReadPortList, AnUnreadableListIsNotRead) {
    testing::ScratchFolder folder;
    folder.Write("readable", "USB-SERIAL CH340 (COM3)\n");
    folder.Write(kList, "USB-SERIAL CH340 (COM4)\n");
    ASSERT_EQ(chmod(folder.Path().c_str(), 0755), 0);
    ASSERT_EQ(chmod((folder / kList).c_str(), 0), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (getuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) {
            _exit(2);
        }
        _exit(ReadPortList(folder / "readable") && !ReadPortList(folder / kList) ? 0 : 1);
    }
    int status = -1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 2) {
        GTEST_SKIP() << "running as root and cannot become nobody";
    }
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

// A FIFO whose only other user is a reader waiting in open(): the open returns only when
// someone opens the FIFO for writing, and then shows what was written.
class WaitingReader {
  public:
    explicit WaitingReader(const std::string& path) : path_(path) {
        thread_ = std::thread([this] {
            const int fd = open(path_.c_str(), O_RDONLY | O_CLOEXEC);
            opened_ = true;
            char buffer[256];
            ssize_t n = 0;
            while (fd >= 0 && (n = read(fd, buffer, sizeof buffer)) > 0) {
                received_.append(buffer, static_cast<size_t>(n));
            }
            close(fd);
        });
    }
    bool Opened() const { return opened_; }
    // Lets the reader go (our own writer opens and closes at once) and returns what it read.
    std::string Release() {
        const int fd = open(path_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        close(fd);
        thread_.join();
        return received_;
    }

  private:
    std::string path_;
    std::atomic<bool> opened_ = false;
    std::string received_;
    std::thread thread_;
};

// A good list whose port name is not a terminal: the link goes on, the port stays closed
// and the first transaction tells the operator the port closed, once.
TEST(OpenCableLink, APortNameThatIsNoTerminalLeavesThePortClosed) {
    ListedFolder folder;
    folder.Write("file", "contents");
    std::filesystem::create_directory(folder / "dir");
    ASSERT_EQ(mkfifo((folder / "fifo").c_str(), 0666), 0);
    WaitingReader reader(folder / "fifo");
    alarm(20);
    for (const std::string& name : {folder / "file", folder / "dir", folder / "fifo", "/dev/null"s,
                                    "CO\x01M\x1b"
                                    "3"s}) {
        SCOPED_TRACE(name);
        folder.Write(kList, "USB-SERIAL CH340 (" + name + ")\r\n");
        testing::MemoryUi ui;
        DeviceLink link(ui, folder.Path());
        EXPECT_EQ(link.OpenCableLink(), CableSearch::Found);
        EXPECT_EQ(link.SendCommand(46, 0).result, TransactionResult::PortClosed);
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].text, FailureText(TransactionResult::PortClosed));
    }
    alarm(0);
    EXPECT_FALSE(reader.Opened()) << "the FIFO was opened for writing";
    EXPECT_EQ(reader.Release(), "");
}

}  // namespace
}  // namespace kavrel
