// The fault soak: complete device operations, one after another, against simulated units
// that fail in every way they can, each outcome checked against what its fault must cause,
// and no descriptor, thread or child process left behind by any of them.
//
//   fault-soak [--operations N] [--seconds S] [--lanes L] [--seed X]
//
// Lanes are processes of their own, so that each can count its descriptors, threads and
// children exactly; the operations of a lane run one at a time, as in the configurator.
// Exits 1 on any mismatch or leak.

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <thread>

#include "config/operations.h"
#include "link/bibl_com.h"
#include "link/device_link.h"
#include "tests/soak/soak_scenario.h"
#include "tests/support/memory_ui.h"
#include "tests/support/scratch_folder.h"
#include "tools/kavrel-sim/simulated_unit.h"
#include "tools/virtual-cable/cable_registry.h"

namespace kavrel::soak {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Threads and descriptors of an operation may take a moment to go after it returns (a send
// worker finishing its write); what is still there after this is a leak.
constexpr auto kSettleTime = 1s;

// What the process holds: descriptors (number and target), threads and child processes.
struct Census {
    std::set<std::string> descriptors;
    std::set<std::string> threads;
    std::set<std::string> children;
};

std::set<std::string> Entries(const std::filesystem::path& folder, bool withTargets) {
    std::set<std::string> entries;
    std::error_code ignored;
    const std::string listing = std::filesystem::canonical(folder, ignored);
    for (const auto& entry : std::filesystem::directory_iterator(folder, ignored)) {
        std::string name = entry.path().filename();
        if (withTargets) {
            const std::string target = std::filesystem::read_symlink(entry.path(), ignored);
            if (target == listing) {
                continue;  // the listing's own descriptor
            }
            name += " " + target;
        }
        entries.insert(name);
    }
    return entries;
}

// Processes whose parent is this one, zombies included.
std::set<std::string> Children() {
    const std::string self = std::to_string(getpid());
    std::set<std::string> children;
    for (const std::string& pid : Entries("/proc", false)) {
        if (pid.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        std::ifstream stat("/proc/" + pid + "/stat");
        std::string line;
        std::getline(stat, line);
        // pid (comm) state ppid ...: the command may hold blanks and brackets.
        const size_t close = line.rfind(')');
        std::istringstream rest(close == std::string::npos ? "" : line.substr(close + 1));
        std::string state;
        std::string parent;
        rest >> state >> parent;
        if (parent == self) {
            children.insert(pid);
        }
    }
    return children;
}

Census TakeCensus() {
    return {Entries("/proc/self/fd", true), Entries("/proc/self/task", false), Children()};
}

// What is there now and was not before (what went away, like a pulled cable's ends, is fine).
std::vector<std::string> Added(const std::set<std::string>& before,
                               const std::set<std::string>& after) {
    std::vector<std::string> added;
    std::set_difference(after.begin(), after.end(), before.begin(), before.end(),
                        std::back_inserter(added));
    return added;
}

struct Tally {
    long operations = 0;
    long byOperation[5] = {};
    long deviceFaults = 0;
    long byFaultKind[12] = {};
    long byLinkFault[8] = {};
    long cancels = 0;
    long timingDependent = 0;
    long mismatches = 0;
    long leakedDescriptors = 0;
    long leakedThreads = 0;
    long leakedChildren = 0;
    // Resident memory of the busiest lane after its first operations and at its end.
    long warmResidentKb = 0;
    long endResidentKb = 0;

    void Add(const Tally& other) {
        warmResidentKb = std::max(warmResidentKb, other.warmResidentKb);
        endResidentKb = std::max(endResidentKb, other.endResidentKb);
        operations += other.operations;
        deviceFaults += other.deviceFaults;
        cancels += other.cancels;
        timingDependent += other.timingDependent;
        mismatches += other.mismatches;
        leakedDescriptors += other.leakedDescriptors;
        leakedThreads += other.leakedThreads;
        leakedChildren += other.leakedChildren;
        for (int i = 0; i < 5; ++i) {
            byOperation[i] += other.byOperation[i];
        }
        for (int i = 0; i < 12; ++i) {
            byFaultKind[i] += other.byFaultKind[i];
        }
        for (int i = 0; i < 8; ++i) {
            byLinkFault[i] += other.byLinkFault[i];
        }
    }
};

// The form in memory, with the operator pressing "Отмена" just before a given attempt.
class SoakUi : public testing::MemoryUi {
  public:
    bool PollCancel() override {
        const bool pending = MemoryUi::PollCancel();
        return pending || polls == cancelAtPoll;
    }
    int cancelAtPoll = 0;
};

// One lane: a program folder with the real port lister, a cable registry of its own and a
// device link that lives as long as the lane, like the configurator's.
class Lane {
  public:
    explicit Lane(int number) : number_(number) {
        std::filesystem::create_directories(folder_ / "real");
        std::filesystem::copy_file(ProgramFolder() + "Zorvik", folder_ / "real/Zorvik");
        // The real lister sees no hardware here, only this lane's registered cables.
        std::filesystem::create_directories(folder_ / "sysfs");
        std::filesystem::create_directories(folder_ / "empty");
        std::filesystem::create_directories(folder_ / "not-a-port/folder");
        folder_.Write("not-a-port/file", "USB-SERIAL CH340 (COM3)\n");
        mkfifo((folder_ / "not-a-port/fifo").c_str(), 0600);
        folder_.Write("fixed/Zorvik", "#!/bin/sh\nexit 0\n", true);
        setenv("KAVREL_SYSFS_ROOT", (folder_ / "sysfs").c_str(), 1);
        setenv("KAVREL_CABLE_REGISTRY", (folder_ / "registry").c_str(), 1);
    }

    void RunOne(const Scenario& scenario, Tally& tally) {
        sim::SimulatedUnit unit(scenario.model);
        std::optional<cable::CableRegistration> registration;
        DevicePort holder;
        Prepare(scenario, unit, registration, holder);
        const sim::DeviceModel before = unit.Model();
        const std::map<Control, int> formBefore = ValueBytes();

        const Census census = TakeCensus();
        Run(scenario.operation, link_);
        Check(scenario, unit, before, formBefore, tally);
        CheckCensus(census, scenario, tally);
        Count(scenario, tally);
    }

  private:
    void Prepare(const Scenario& scenario, sim::SimulatedUnit& unit,
                 std::optional<cable::CableRegistration>& registration, DevicePort& holder) {
        if (scenario.fault) {
            unit.AddFault(*scenario.fault);
        }
        link_.programFolder = folder_ / "real/";
        if (scenario.link != LinkFault::NoCable) {
            registration.emplace(unit.SlavePath(), folder_ / "registry");
        }
        const std::map<LinkFault, std::string> listed = {
            {LinkFault::PortIsFile, folder_ / "not-a-port/file"},
            {LinkFault::PortIsFolder, folder_ / "not-a-port/folder"},
            {LinkFault::PortIsFifo, folder_ / "not-a-port/fifo"},
            {LinkFault::PortIsNull, "/dev/null"}};
        if (const auto name = listed.find(scenario.link); name != listed.end()) {
            folder_.Write("fixed/listport.txt", "USB-SERIAL CH340 (" + name->second + ")\r\n");
            link_.programFolder = folder_ / "fixed/";
        } else if (scenario.link == LinkFault::NoLister) {
            link_.programFolder = folder_ / "empty/";
        } else if (scenario.link == LinkFault::PortBusy) {
            holder.OpenDevicePort(unit.SlavePath());
        }

        // The operator closed wndInfo after the last information, then set up the form.
        ui_.CloseInfoWindow();
        ui_.messages.clear();
        ui_.polls = 0;
        ui_.cancelAtPoll = scenario.cancelAtPoll;
        if (scenario.operation == Operation::Write) {
            const Form& form = scenario.form;
            ui_.SetState(Control::optSlave, form.mode == 1);
            ui_.SetState(Control::optAutonomous, form.mode == 2);
            ui_.SetValueByte(Control::optSlave, form.mode);
            ui_.SetValueByte(Control::optAutonomous, form.mode);
            ui_.SetText(Control::strAddress, form.addressText);
            CheckAddressInput(ui_);  // as the edit of the field does
            for (Control box :
                 {Control::chkCountRed, Control::chkCountGreen, Control::chkIndicationRuAu}) {
                ui_.SetValueByte(box, form.indication);
            }
            ui_.SetValueByte(Control::cmbPulseTime, form.pulseTime);
            ui_.SetValueByte(Control::chkSoundOff, form.soundOff);
            ui_.SetValueByte(Control::cmbSoundType, form.soundType);
            ui_.SetValueByte(Control::strVolume, form.volumePercent);
        }
    }

    static void Run(Operation operation, DeviceLink& link) {
        // In the order of Operation.
        static void (*const kOperations[])(DeviceLink&) = {ReadSettings, WriteSettings,
                                                           ShowDeviceInfo, RunTest, RunReset};
        kOperations[static_cast<int>(operation)](link);
    }

    std::map<Control, int> ValueBytes() const {
        std::map<Control, int> bytes;
        for (Control c :
             {Control::optSlave, Control::strAddress, Control::chkCountRed, Control::cmbPulseTime,
              Control::chkSoundOff, Control::cmbSoundType, Control::strVolume}) {
            bytes[c] = ui_.ValueByte(c);
        }
        return bytes;
    }

    void Check(const Scenario& scenario, const sim::SimulatedUnit& unit,
               const sim::DeviceModel& before, const std::map<Control, int>& formBefore,
               Tally& tally) {
        const Expectation expected = Predict(scenario);
        std::vector<std::string> wrong;

        std::vector<Box> boxes;
        for (const auto& m : ui_.messages) {
            boxes.push_back({m.title, m.text});
        }
        if (boxes != expected.boxes) {
            wrong.push_back("boxes " + Describe(boxes) + ", expected " + Describe(expected.boxes));
        }
        std::vector<Request> wire;
        for (const auto& request : unit.Log()) {
            wire.emplace_back(request.command, request.value);
        }
        const bool timing = scenario.AttemptsDependOnTiming();
        if ((timing ? WithoutRepeats(wire) : wire) !=
            (timing ? WithoutRepeats(expected.wire) : expected.wire)) {
            wrong.push_back("wire " + Describe(wire) + ", expected " + Describe(expected.wire));
        }
        if (link_.port.IsDevicePortOpen()) {
            wrong.push_back("the port is still open");
        }
        if (ui_.exchangeWindowOpen) {
            wrong.push_back("the exchange window is still open");
        }
        if (ui_.IsInfoWindowOpen() != expected.info.has_value() ||
            ui_.IsMainWindowEnabled() == expected.info.has_value()) {
            wrong.push_back("wndInfo or wndMain in the wrong state");
        }
        if (expected.info &&
            (ui_.Text(Control::lblFirmwareVersion) != std::to_string(expected.info->first) ||
             ui_.Text(Control::lblDeviceClass) != std::to_string(expected.info->second))) {
            wrong.push_back("wndInfo shows " + ui_.Text(Control::lblFirmwareVersion) + "/" +
                            ui_.Text(Control::lblDeviceClass));
        }
        // A read changes only what the unit answered; a complete one shows all of it.
        std::map<Control, int> expectedForm = formBefore;
        for (const auto& [control, value] : expected.valueBytes) {
            expectedForm[control] = value;
        }
        if (scenario.operation == Operation::Read && !expected.valueBytes.empty() &&
            ValueBytes() != expectedForm) {
            wrong.push_back("the form does not hold what the unit answered");
        }
        const sim::Settings stored = unit.Model().settings;
        if (expected.stored && stored != *expected.stored) {
            wrong.push_back("the unit does not hold what was written");
        }
        if (!scenario.fault && scenario.operation != Operation::Write &&
            stored != before.settings) {
            wrong.push_back("the unit's memory changed");
        }
        if (!wrong.empty()) {
            ++tally.mismatches;
            Report(scenario, wrong);
        }
    }

    void CheckCensus(const Census& before, const Scenario& scenario, Tally& tally) {
        std::vector<std::string> fds, threads, children;
        for (const auto settled = Clock::now() + kSettleTime;;) {
            const Census after = TakeCensus();
            fds = Added(before.descriptors, after.descriptors);
            threads = Added(before.threads, after.threads);
            children = Added(before.children, after.children);
            if ((fds.empty() && threads.empty() && children.empty()) || Clock::now() > settled) {
                break;
            }
            std::this_thread::sleep_for(10ms);
        }
        if (fds.empty() && threads.empty() && children.empty()) {
            return;
        }
        tally.leakedDescriptors += static_cast<long>(fds.size());
        tally.leakedThreads += static_cast<long>(threads.size());
        tally.leakedChildren += static_cast<long>(children.size());
        std::string left = "left behind:";
        for (const auto& fd : fds) {
            left += " descriptor " + fd + ";";
        }
        left += " " + std::to_string(threads.size()) + " threads, " +
                std::to_string(children.size()) + " child processes";
        Report(scenario, {left});
    }

    static void Count(const Scenario& scenario, Tally& tally) {
        ++tally.operations;
        ++tally.byOperation[static_cast<int>(scenario.operation)];
        if (scenario.fault) {
            ++tally.deviceFaults;
            ++tally.byFaultKind[static_cast<int>(scenario.fault->kind)];
        }
        ++tally.byLinkFault[static_cast<int>(scenario.link)];
        tally.cancels += scenario.cancelAtPoll > 0;
        tally.timingDependent += scenario.AttemptsDependOnTiming();
    }

    void Report(const Scenario& scenario, const std::vector<std::string>& wrong) const {
        std::string text = "lane " + std::to_string(number_) + ": " + scenario.Describe();
        for (const auto& line : wrong) {
            text += "\n    " + line;
        }
        std::cerr << text << std::endl;
    }

    static std::vector<Request> WithoutRepeats(std::vector<Request> wire) {
        wire.erase(std::unique(wire.begin(), wire.end()), wire.end());
        return wire;
    }

    int number_;
    testing::ScratchFolder folder_;
    SoakUi ui_;
    DeviceLink link_{ui_, folder_.Path()};
};

struct Options {
    long operations = 3000;
    double seconds = 0;  // 0: no time limit
    int lanes = 8;
    unsigned seed = 1;
};

std::optional<Options> ParseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        char* end = nullptr;
        const double value = std::strtod(argv[i + 1], &end);
        if (*end != '\0' || value < 0) {
            return std::nullopt;
        }
        if (option == "--operations") {
            options.operations = static_cast<long>(value);
        } else if (option == "--seconds") {
            options.seconds = value;
        } else if (option == "--lanes") {
            options.lanes = std::max(1, static_cast<int>(value));
        } else if (option == "--seed") {
            options.seed = static_cast<unsigned>(value);
        } else {
            return std::nullopt;
        }
    }
    if (argc % 2 == 0) {
        return std::nullopt;
    }
    return options;
}

long ResidentKb() {
    long pages = 0;
    long resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Allocators and the first uses of each path settle after this many operations.
constexpr long kWarmUpOperations = 20;

Tally RunLane(int number, const Options& options, Clock::time_point deadline) {
    Tally tally;
    Lane lane(number);
    std::mt19937 random(options.seed * 1000 + static_cast<unsigned>(number));
    const long quota = (options.operations + options.lanes - 1 - number) / options.lanes;
    while (tally.operations < quota && (options.seconds == 0 || Clock::now() < deadline)) {
        lane.RunOne(DrawScenario(random), tally);
        if (tally.operations == kWarmUpOperations) {
            tally.warmResidentKb = ResidentKb();
        }
    }
    tally.endResidentKb = ResidentKb();
    return tally;
}

void Print(const Tally& t, const Options& options, double wall) {
    std::printf("fault soak: %d lanes, seed %u, %.1f s\n", options.lanes, options.seed, wall);
    std::printf("operations: %ld (read %ld, write %ld, info %ld, test %ld, reset %ld), %.1f/s\n",
                t.operations, t.byOperation[0], t.byOperation[1], t.byOperation[2],
                t.byOperation[3], t.byOperation[4], static_cast<double>(t.operations) / wall);
    long linkFaults = 0;
    for (int i = 1; i < 8; ++i) {
        linkFaults += t.byLinkFault[i];
    }
    std::printf("faults injected: %ld (device %ld, cable link %ld, operator cancel %ld)\n",
                t.deviceFaults + linkFaults + t.cancels, t.deviceFaults, linkFaults, t.cancels);
    std::printf("  device:");
    for (int i = 0; i < 12; ++i) {
        std::printf(" %s %ld%s", Name(static_cast<sim::FaultKind>(i)), t.byFaultKind[i],
                    i < 11 ? "," : "\n");
    }
    std::printf("  cable link:");
    for (int i = 1; i < 8; ++i) {
        std::printf(" %s %ld%s", Name(static_cast<LinkFault>(i)), t.byLinkFault[i],
                    i < 7 ? "," : "\n");
    }
    std::printf("  compared without counting attempts (split or stale answers): %ld\n",
                t.timingDependent);
    std::printf("mismatches: %ld\n", t.mismatches);
    std::printf("leaked: descriptors %ld, threads %ld, child processes %ld\n", t.leakedDescriptors,
                t.leakedThreads, t.leakedChildren);
    std::printf("resident memory of a lane: %.1f MB after %ld operations, %.1f MB at the end\n",
                static_cast<double>(t.warmResidentKb) / 1024, kWarmUpOperations,
                static_cast<double>(t.endResidentKb) / 1024);
}

}  // namespace
}  // namespace kavrel::soak

int main(int argc, char** argv) {
    using namespace kavrel::soak;
    const auto options = ParseOptions(argc, argv);
    if (!options) {
        std::cerr << "usage: fault-soak [--operations N] [--seconds S] [--lanes L] [--seed X]\n";
        return 2;
    }
    const auto start = Clock::now();
    const auto deadline = start + std::chrono::duration_cast<Clock::duration>(
                                      std::chrono::duration<double>(options->seconds));
    // Each lane reports its tally through a pipe when it is done.
    std::vector<std::pair<pid_t, int>> lanes;
    for (int number = 0; number < options->lanes; ++number) {
        int ends[2];
        if (pipe(ends) != 0) {
            return 2;
        }
        const pid_t pid = fork();
        if (pid == 0) {
            close(ends[0]);
            const Tally tally = RunLane(number, *options, deadline);
            const bool sent = write(ends[1], &tally, sizeof tally) == sizeof tally;
            std::exit(sent ? 0 : 3);  // exit, not _exit: a leak checker runs at exit
        }
        close(ends[1]);
        lanes.emplace_back(pid, ends[0]);
    }
    Tally total;
    bool lanesEnded = true;
    for (const auto& [pid, end] : lanes) {
        Tally tally;
        const bool received = read(end, &tally, sizeof tally) == sizeof tally;
        close(end);
        int status = 0;
        waitpid(pid, &status, 0);
        if (!received || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            std::cerr << "a lane ended abnormally (status " << status << ")\n";
            lanesEnded = false;
            continue;
        }
        total.Add(tally);
    }
    Print(total, *options, std::chrono::duration<double>(Clock::now() - start).count());
    const bool clean = lanesEnded && total.mismatches == 0 && total.leakedDescriptors == 0 &&
                       total.leakedThreads == 0 && total.leakedChildren == 0;
    return clean ? 0 : 1;
}
