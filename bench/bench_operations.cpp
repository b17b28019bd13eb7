// A full read and a full write against an in-process simulated unit: wall time against the
// protocol's floor, CPU time and resident memory. Prints its figures; asserts nothing.
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "config/operations.h"
#include "link/cable_search.h"
#include "link/device_link.h"
#include "link/frame.h"
#include "tests/support/memory_ui.h"
#include "tools/kavrel-sim/simulated_unit.h"

namespace {

using Clock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;

constexpr int kRounds = 10;
// 19200 baud, 10 bits a byte on the line; a request is 5 bytes, an answer 4.
constexpr double kLineMsPerByte = 10.0 * 1000.0 / 19200.0;
constexpr double kLineMsPerTransaction = 9 * kLineMsPerByte;

double CpuMs() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto ms = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_usec) / 1000.0;
    };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

std::string StatusLine(const std::string& key) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(key + ":", 0) == 0) {
            return line;
        }
    }
    return key + ": ?";
}

void Measure(const char* name, int transactions, const std::function<void()>& operation) {
    // Every transaction waits the pause before its attempt and the silence that ends the
    // answer; a real line adds the time of its 9 bytes, a pseudo-terminal adds none.
    const double ptyFloorMs =
        transactions * (Ms(kavrel::kAttemptPause).count() + Ms(kavrel::kResponseSilence).count());
    const double lineFloorMs = ptyFloorMs + transactions * kLineMsPerTransaction;
    double best = 1e9;
    double total = 0;
    const double cpuBefore = CpuMs();
    for (int round = 0; round < kRounds; ++round) {
        const auto start = Clock::now();
        operation();
        const double wall = Ms(Clock::now() - start).count();
        best = std::min(best, wall);
        total += wall;
    }
    const double cpu = CpuMs() - cpuBefore;
    const double mean = total / kRounds;
    std::printf("%-5s %2d transactions: wall mean %6.1f ms, best %6.1f ms\n", name, transactions,
                mean, best);
    std::printf("      floor with line time %6.1f ms: mean %.3f x, best %.3f x\n", lineFloorMs,
                mean / lineFloorMs, best / lineFloorMs);
    std::printf("      floor without line time (pty) %6.1f ms: mean %.3f x, best %.3f x\n",
                ptyFloorMs, mean / ptyFloorMs, best / ptyFloorMs);
    std::printf("      CPU %.1f ms per run, %.2f %% of wall\n", cpu / kRounds, 100.0 * cpu / total);
}

}  // namespace

int main() {
    kavrel::sim::SimulatedUnit unit;
    std::string folder = (std::filesystem::temp_directory_path() / "kavrel-bench-XXXXXX");
    if (mkdtemp(folder.data()) == nullptr) {
        std::perror("mkdtemp");
        return EXIT_FAILURE;
    }
    std::ofstream(folder + "/listport.txt") << "USB-SERIAL CH340 (" << unit.SlavePath() << ")\r\n";
    std::ofstream(folder + "/Zorvik") << "#!/bin/sh\nexit 0\n";
    std::filesystem::permissions(folder + "/Zorvik", std::filesystem::perms::owner_all);

    kavrel::testing::MemoryUi ui;
    kavrel::DeviceLink link(ui, folder + "/");
    std::printf("line time %.2f ms per transaction; each run includes finding the cable\n",
                kLineMsPerTransaction);
    const auto findStart = Clock::now();
    for (int round = 0; round < kRounds; ++round) {
        kavrel::FindCablePort(ui, folder + "/");
    }
    std::printf("finding the cable (lister run + list read): %.1f ms\n",
                Ms(Clock::now() - findStart).count() / kRounds);
    Measure("read", kavrel::kReadTransactions, [&] { kavrel::ReadSettings(link, ui); });
    Measure("write", kavrel::WriteTransactions(true), [&] { kavrel::WriteSettings(link, ui); });
    std::printf("%zu messages shown, %zu requests logged\n", ui.messages.size(), unit.Log().size());
    std::printf("%s\n%s\n", StatusLine("VmRSS").c_str(), StatusLine("VmHWM").c_str());
    std::filesystem::remove_all(folder);
    return ui.messages.empty() ? EXIT_SUCCESS : EXIT_FAILURE;
}
