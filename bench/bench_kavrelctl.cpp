// kavrelctl as a whole process against an in-process simulated unit shown to the lister as a
// cable: a read from start to exit beside the protocol floor and the lister's own time, and
// how soon production mode notices a unit plugged in. Prints its figures; asserts nothing.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "config/operations.h"
#include "link/frame.h"
#include "link/program_folder.h"
#include "tools/kavrel-sim/simulated_unit.h"
#include "tools/virtual-cable/cable_registry.h"

namespace {

using Clock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;

constexpr int kRounds = 10;
constexpr int kPlugRounds = 5;

// Starts a program of ours with standard output to /dev/null and standard error to `err`
// (-1: /dev/null too).
pid_t Start(std::vector<std::string> args, int err = -1) {
    args[0] = kavrel::ProgramFolder() + args[0];
    std::vector<char*> argv;
    for (auto& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    if (err >= 0) {
        posix_spawn_file_actions_adddup2(&actions, err, 2);
    } else {
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    }
    pid_t pid = 0;
    posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

int Wait(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Mean wall time of running the program to its end; nothing when a run failed.
std::optional<double> MeanRunMs(const std::vector<std::string>& args) {
    const auto start = Clock::now();
    for (int round = 0; round < kRounds; ++round) {
        if (Wait(Start(args)) != 0) {
            return std::nullopt;
        }
    }
    return Ms(Clock::now() - start).count() / kRounds;
}

}  // namespace

int main() {
    std::string folder = std::filesystem::temp_directory_path() / "kavrel-bench-XXXXXX";
    if (mkdtemp(folder.data()) == nullptr) {
        std::perror("mkdtemp");
        return EXIT_FAILURE;
    }
    setenv("KAVREL_CABLE_REGISTRY", (folder + "/registry").c_str(), 1);
    kavrel::sim::SimulatedUnit unit;
    auto cable = std::make_optional<kavrel::cable::CableRegistration>(unit.SlavePath());

    const auto listerMs = MeanRunMs({"Zorvik"});
    const auto readMs = MeanRunMs({"kavrelctl", "read"});
    if (!listerMs || !readMs) {
        std::fprintf(stderr, "a run failed\n");
        return EXIT_FAILURE;
    }
    const double floorMs = kavrel::kReadTransactions * (Ms(kavrel::kAttemptPause).count() +
                                                        Ms(kavrel::kResponseSilence).count());
    std::printf("Zorvik alone: %.1f ms\n", *listerMs);
    std::printf("kavrelctl read, start to exit: %.1f ms\n", *readMs);
    std::printf(
        "  read floor on a pty %.1f ms; 1.15 x floor + lister %.1f ms; read is %.3f x "
        "(floor + lister)\n",
        floorMs, 1.15 * floorMs + *listerMs, *readMs / (floorMs + *listerMs));

    // Production mode: the time from a cable appearing to the first request on its line.
    const std::string profile = folder + "/profile.json";
    std::ofstream(profile) << R"({"mode": "slave", "address": 1, "count_red": true,
        "count_green": true, "indication_ru_au": false, "pulse_time": 10, "sound_off": false,
        "sound_type": 1, "volume": 100})";
    double worst = 0, total = 0;
    for (int round = 0; round < kPlugRounds; ++round) {
        cable.reset();
        int err[2];
        if (pipe2(err, O_CLOEXEC) != 0) {
            std::perror("pipe2");
            return EXIT_FAILURE;
        }
        const pid_t apply =
            Start({"kavrelctl", "apply", profile, "--each", "--count", "1"}, err[1]);
        close(err[1]);
        char c = 0;  // its first line says it is waiting
        while (read(err[0], &c, 1) == 1 && c != '\n') {
        }
        // Plugged in at a random point of its look interval.
        std::this_thread::sleep_for(std::chrono::milliseconds(37 * round + 10));
        unit.ClearLog();
        const auto plugged = Clock::now();
        cable.emplace(unit.SlavePath());
        while (unit.Log().empty()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        const double latency = Ms(unit.Log().front().time - plugged).count();
        worst = std::max(worst, latency);
        total += latency;
        Wait(apply);
        close(err[0]);
    }
    std::printf(
        "apply --each: a plugged unit gets its first request after %.1f ms on average, "
        "%.1f ms at worst (%d plugs; bound 500 ms)\n",
        total / kPlugRounds, worst, kPlugRounds);
    std::filesystem::remove_all(folder);
    return EXIT_SUCCESS;
}
