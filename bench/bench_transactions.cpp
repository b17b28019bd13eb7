// bench-transactions [N]: N class queries against an in-process simulated unit on a real
// pseudo-terminal. Prints per transaction the wall time against the protocol's floor, the
// CPU the process used meanwhile, and the silence the receive worker actually waited
// after the last response byte; then the median and 95th percentile of each.
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "link/device_port.h"
#include "link/transaction.h"
#include "tests/support/memory_ui.h"
#include "tools/kavrel-sim/simulated_unit.h"

namespace {

using Clock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;

// A pty has no line time; on a cable 10 bytes at 19200 baud, 8N1, add about 5.2 ms.
constexpr double kFloorMs = Ms(kavrel::kAttemptPause + kavrel::kResponseSilence).count();

double ProcessCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

struct Sample {
    double wallMs;
    double cpuMs;
    double silenceMs;
};

double Percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    const auto index = static_cast<size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
    return values[index];
}

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    kavrel::sim::SimulatedUnit unit;
    kavrel::DevicePort port;
    kavrel::testing::MemoryUi ui;
    if (!port.OpenDevicePort(unit.SlavePath())) {
        std::fprintf(stderr, "cannot open %s\n", unit.SlavePath().c_str());
        return 1;
    }
    kavrel::Transactions link(port, ui);

    std::vector<Sample> samples;
    std::printf("floor %.2f ms (15 ms pause + 3 ms silence; no line time on a pty)\n", kFloorMs);
    std::printf("%5s %9s %8s %8s %6s %11s\n", "#", "wall ms", "x floor", "cpu ms", "cpu %",
                "silence ms");
    for (int i = 0; i < count; ++i) {
        const double cpuBefore = ProcessCpuMs();
        const auto start = Clock::now();
        link.BeginRequest(kavrel::kRequestAddress, 46);
        link.AddRequestByte(0);
        const kavrel::TransactionResult result = link.RunTransaction();
        const double wall = Ms(Clock::now() - start).count();
        const double cpu = ProcessCpuMs() - cpuBefore;
        if (result != kavrel::TransactionResult::Ok) {
            std::fprintf(stderr, "transaction %d failed with code %d\n", i,
                         kavrel::ErrorNumber(result));
            return 1;
        }
        const Sample s{wall, cpu, Ms(link.LastResponseSilence()).count()};
        samples.push_back(s);
        std::printf("%5d %9.3f %8.3f %8.3f %6.2f %11.3f\n", i + 1, s.wallMs, s.wallMs / kFloorMs,
                    s.cpuMs, 100.0 * s.cpuMs / s.wallMs, s.silenceMs);
    }

    auto column = [&](auto field) {
        std::vector<double> values;
        for (const auto& s : samples) {
            values.push_back(field(s));
        }
        return values;
    };
    const auto wall = column([](const Sample& s) { return s.wallMs; });
    const auto cpuShare = column([](const Sample& s) { return 100.0 * s.cpuMs / s.wallMs; });
    const auto silence = column([](const Sample& s) { return s.silenceMs; });
    std::printf("\nsummary over %d transactions   median      p95\n", count);
    std::printf("wall ms                      %8.3f %8.3f   (target <= %.2f)\n",
                Percentile(wall, 0.5), Percentile(wall, 0.95), 1.10 * kFloorMs);
    std::printf("wall / floor                 %8.3f %8.3f\n", Percentile(wall, 0.5) / kFloorMs,
                Percentile(wall, 0.95) / kFloorMs);
    std::printf("cpu %% of wall (process)      %8.2f %8.2f   (target < 5)\n",
                Percentile(cpuShare, 0.5), Percentile(cpuShare, 0.95));
    std::printf("silence ms                   %8.3f %8.3f   (target 3..4)\n",
                Percentile(silence, 0.5), Percentile(silence, 0.95));
    return 0;
}
