// bench-diagnosis [RUNS]: how long the diagnosis takes, on this machine's /proc (as it is,
// and with 300 more processes holding 40 files each) and on a fake tree of 500 processes
// with 20 descriptors each. Prints the median and the worst of
// RUNS runs of each question, searching for a device nobody holds, so every descriptor
// the user may read is looked at.
#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bench/process_load.h"
#include "diagnosis/causes.h"
#include "diagnosis/holder_watch.h"
#include "diagnosis/open_holders.h"
#include "tests/support/scratch_folder.h"

namespace {

namespace fs = std::filesystem;
using namespace kavrel::diagnosis;

double CpuMs() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Wall time, and the CPU time that shows the cost apart from other programs' load.
void Measure(const char* what, int runs, const std::function<void()>& question) {
    std::vector<double> wall, cpu;
    for (int run = 0; run < runs; ++run) {
        const auto start = std::chrono::steady_clock::now();
        const double cpuStart = CpuMs();
        question();
        cpu.push_back(CpuMs() - cpuStart);
        wall.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    std::printf("  %-40s wall median %6.2f ms, worst %6.2f ms; cpu median %6.2f ms\n", what,
                Median(wall), *std::max_element(wall.begin(), wall.end()), Median(cpu));
}

// Processes under the /proc folder, and the descriptors of theirs this user may read.
void CountProcesses(const std::string& proc) {
    int processes = 0, descriptors = 0;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(proc, error)) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        ++processes;
        std::error_code unreadable;
        for (fs::directory_iterator fd(entry.path() / "fd", unreadable), end;
             !unreadable && fd != end; fd.increment(unreadable)) {
            ++descriptors;
        }
    }
    std::printf("%s: %d processes, %d readable descriptors\n", proc.c_str(), processes,
                descriptors);
}

// A fake /proc of `count` processes with ordinary descriptors, and a CH340 held by the
// highest-numbered one, as the braille service would hold it. (Unlike /proc, a disk
// folder lists its entries in hash order, so the holder is found part-way through.)
void BuildFakeMachine(const kavrel::testing::ScratchFolder& tree, int count) {
    const char* files[] = {"/dev/null",
                           "/dev/pts/3",
                           "socket:[81234]",
                           "pipe:[5521]",
                           "/var/log/journal/system.journal",
                           "anon_inode:[eventfd]"};
    for (int pid = 100; pid < 100 + count; ++pid) {
        const std::string process = "proc/" + std::to_string(pid);
        tree.Write(process + "/comm", "worker" + std::to_string(pid) + "\n");
        fs::create_directories(tree / (process + "/fd"));
        for (int fd = 0; fd < 20; ++fd) {
            fs::create_symlink(files[fd % std::size(files)],
                               tree / (process + "/fd/" + std::to_string(fd)));
        }
    }
    fs::create_symlink(tree / "dev/bus/usb/001/004",
                       tree / ("proc/" + std::to_string(99 + count) + "/fd/20"));
    const std::string device = "sys/devices/pci0000:00/0000:00:14.0/usb1/1-2";
    tree.Write(device + "/idVendor", "1a86\n");
    tree.Write(device + "/busnum", "1\n");
    tree.Write(device + "/devnum", "4\n");
    fs::create_directories(tree / (device + "/1-2:1.0"));
    fs::create_symlink("/sys/bus/usb/drivers/usbfs", tree / (device + "/1-2:1.0/driver"));
    fs::create_directories(tree / "sys/bus/usb/devices");
    fs::create_symlink(tree / device, tree / "sys/bus/usb/devices/1-2");
    fs::create_symlink(tree / (device + "/1-2:1.0"), tree / "sys/bus/usb/devices/1-2:1.0");
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;

    // A pseudo-terminal only this program's master side uses: nobody holds its slave.
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        std::perror("posix_openpt");
        return 1;
    }
    const std::string unheld = ptsname(master);

    const Machine machine;
    CountProcesses(machine.proc);
    Measure("Machine() (groups, user name)", runs, [] { const Machine ignored; });
    Measure(("FindOtherHolder(" + unheld + ")").c_str(), runs,
            [&] { FindOtherHolder(machine, unheld); });
    Measure("WhyPortDoesNotOpen(EBUSY)", runs, [&] { WhyPortDoesNotOpen(machine, unheld, EBUSY); });
    Measure("WhyNoCable()", runs, [&] { WhyNoCable(machine); });

    const kavrel::testing::ScratchFolder tree;
    {
        const kavrel::bench::ProcessLoad load(300, 40, tree.Path());
        std::printf("with %d more processes holding 40 files each:\n", load.Started());
        CountProcesses(machine.proc);
        Measure(("FindOtherHolder(" + unheld + ")").c_str(), runs,
                [&] { FindOtherHolder(machine, unheld); });
        // As before every open of the port: this process opens it, then asks.
        HolderWatch watch;
        Measure("open + HolderWatch (walks once)", runs, [&] {
            const int port = open(unheld.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
            watch.FindOtherHolder(machine, unheld);
            close(port);
        });
    }

    BuildFakeMachine(tree, 500);
    Machine fake = machine;
    fake.sys = tree / "sys";
    fake.proc = tree / "proc";
    fake.dev = tree / "dev";
    CountProcesses(fake.proc);
    Measure("FindOtherHolder(unheld device)", runs,
            [&] { FindOtherHolder(fake, tree / "dev/ttyUSB0"); });
    Measure("WhyNoCable() (CH340 held by one)", runs, [&] { WhyNoCable(fake); });
    std::printf("  %s\n", WhyNoCable(fake).c_str());
    return 0;
}
