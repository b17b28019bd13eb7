// The fault soak: complete device operations, one after another, each against a fresh
// simulated unit with at most one thing going wrong (a device fault, a cable-link fault or
// the operator's "Отмена"), each outcome checked against what the scenario must cause, and
// nothing left behind: no descriptor, thread or child process, and the port released.
//
//   fault-soak [--operations N] [--seconds S] [--lanes L] [--seed X]
//
// Lanes are processes of their own, so that each can count what it holds exactly; the
// operations of a lane run one at a time, as in the configurator. Exits 1 on any mismatch.

#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <map>
#include <new>
#include <random>
#include <set>
#include <sstream>
#include <thread>

#include "config/commands.h"
#include "config/config_texts.h"
#include "config/operations.h"
#include "config/settings_coding.h"
#include "config/volume.h"
#include "diagnosis/causes.h"
#include "diagnosis/this_machine.h"
#include "link/device_link.h"
#include "link/link_texts.h"
#include "link/lister_process.h"
#include "link/port_list_contract.h"
#include "link/program_folder.h"
#include "link/transaction_result.h"
#include "tests/support/memory_ui.h"
#include "tests/support/scratch_folder.h"
#include "tools/kavrel-sim/unit_protocol.h"
#include "tools/virtual-cable/cable_registry.h"

namespace kavrel::soak {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using sim::FaultKind;
using Result = TransactionResult;

enum class Operation { Read, Write, Info, Test, Reset };
const char* const kOperationNames[] = {"read", "write", "info", "test", "reset"};
// What goes wrong: a device fault (in sim::FaultKind's order), a fault of the cable link
// before any command is sent, the operator's "Отмена", or nothing.
const char* const kKinds[] = {
    "no-answer", "delay",       "split",        "bad-start",         "bad-checksum", "one-byte",
    "over-long", "stale-after", "refuse",       "read-back-differs", "noise",        "pull-cable",
    "no-cable",  "no-lister",   "port-is-file", "port-is-folder",    "port-is-fifo", "port-is-null",
    "port-busy", "cancel",      "none"};
constexpr int kFirstLink = int(FaultKind::PullCable) + 1, kKindCount = int(std::size(kKinds)),
              kCancel = kKindCount - 2, kNoFault = kKindCount - 1;

// wndMain's settings in the order the operations write and read them.
constexpr int kSettings = 7, kMode = 0, kAddress = 1, kVolume = 6;
using Form = std::array<int, kSettings>;  // value bytes: volume in percent, the address
                                          // INVALID_INPUT for a text that reads as none
constexpr struct {
    Control control;
    uint8_t set, get;
} kSettingsInOrder[kSettings] = {{Control::optSlave, CMD_SET_MODE, CMD_GET_MODE},
                                 {Control::strAddress, CMD_SET_ADDRESS, CMD_GET_ADDRESS},
                                 {Control::chkCountRed, CMD_SET_INDICATION, CMD_GET_INDICATION},
                                 {Control::cmbPulseTime, CMD_SET_PULSE_TIME, CMD_GET_PULSE_TIME},
                                 {Control::chkSoundOff, CMD_SET_SOUND_OFF, CMD_GET_SOUND_OFF},
                                 {Control::cmbSoundType, CMD_SET_SOUND_TYPE, CMD_GET_SOUND_TYPE},
                                 {Control::strVolume, CMD_SET_VOLUME, CMD_GET_VOLUME}};

struct Scenario {
    Operation operation = Operation::Read;
    sim::DeviceModel unit;
    int kind = kNoFault;                                                  // in kKinds
    sim::Fault fault = {sim::kAnyCommand, FaultKind::NoAnswer, 0, 0, 0};  // times 0: none
    int cancelAtPoll = 0;  // the operator's "Отмена" is taken by this attempt
    Form form{};           // what a write sends
    std::string addressText;

    std::string Link() const { return kind >= kFirstLink && kind < kCancel ? kKinds[kind] : ""; }
};

std::string Join(const auto& items) {
    std::ostringstream text;
    for (const auto& item : items) {
        text << "[" << item << "]";
    }
    return text.str();
}

// ---- The outcome oracle ----

struct Outcome {
    std::vector<std::string> boxes;     // title: text
    std::vector<std::string> requests;  // command:value, as the unit receives them
    std::vector<int> form;              // after a read: wndMain's value bytes, -1 left alone
    std::string windows = "main";       // enabled wndMain, or wndInfo with version and class
    sim::Settings stored;               // the unit's memory afterwards
    bool cablePulled = false;           // the unit's line, and its port name, are gone

    void Sent(int c, int v) { requests.push_back(std::to_string(c) + ":" + std::to_string(v)); }

    // What is compared, field by field.
    std::array<std::string, 5> Fields(bool onlyOrder) const {
        std::vector<std::string> sent = requests;
        sent.erase(onlyOrder ? std::unique(sent.begin(), sent.end()) : sent.end(), sent.end());
        const int memory[] = {stored.mode,      stored.address,  stored.indication,
                              stored.pulseTime, stored.soundOff, stored.soundType,
                              stored.volume};
        return {"boxes " + Join(boxes), "requests " + Join(sent), "form " + Join(form),
                "windows " + windows, "memory " + Join(memory)};
    }
};

std::string Box(std::string_view title, std::string_view text, const std::string& cause = {}) {
    return std::string(title) + ": " + std::string(text) + (cause.empty() ? "" : "\n\n" + cause);
}

// What the configurator checks in one answer: nothing, the device class, the
// acknowledgement, or (0..6) the read-back of a written setting.
enum Check { kNone = -3, kClass, kAck };
struct Step {
    uint8_t command, value;
    int check = kNone;
};

// The requests of an operation when every one is answered as asked.
std::vector<Step> Steps(Operation op, const Form& form) {
    const auto applies = [&](int i) { return i != kAddress || form[kMode] == kModeSlave; };
    const bool write = op == Operation::Write;
    if (op == Operation::Info) {
        return {{CMD_GET_VERSION, kFetchValue}, {CMD_GET_CLASS, kFetchValue}};
    }
    std::vector<Step> steps = {{CMD_GET_CLASS, kFetchValue, kClass}};
    if (op == Operation::Read) {
        steps.push_back({CMD_BEGIN_READ, kFetchValue});
    }
    for (int i = 0; i < kSettings && write; ++i) {
        const int wire = i == kVolume ? PercentToVolumeByte(form[i]) : form[i];
        if (applies(i)) {
            steps.push_back({kSettingsInOrder[i].set, static_cast<uint8_t>(wire), kAck});
        }
    }
    if (write) {
        steps.push_back({CMD_COMMIT, kCommitValue, kAck});
    }
    for (int i = 0; i < kSettings; ++i) {
        if (op == Operation::Read || (write && applies(i))) {
            steps.push_back({kSettingsInOrder[i].get, kFetchValue, write ? i : kNone});
        }
    }
    if (op == Operation::Test || op == Operation::Reset) {
        steps.push_back({op == Operation::Test ? CMD_TEST : CMD_RESET, kActionValue, kAck});
    }
    return steps;
}

// How wndMain shows setting i's data byte; -1 for a mode it does not know.
int Shown(int i, uint8_t byte) {
    const bool known = i != kMode || byte == kModeSlave || byte == kModeAutonomous;
    return i == kVolume ? VolumeByteToPercent(byte) : known ? byte : -1;
}

// Walks the operation request by request from the unit's side of the protocol, with the
// configurator's own failure results and operator texts.
class Walk {
  public:
    Walk(const Scenario& s, std::string unitPort)
        : s_(s), unitPort_(std::move(unitPort)), model_(s.unit), fault_(s.fault) {}

    Outcome Run() {
        const std::string link = s_.Link();
        std::vector<uint8_t> answers;
        if (s_.operation == Operation::Write && s_.form[kAddress] == INVALID_INPUT) {
            out_.boxes.push_back(Box(texts::kInvalidAddressTitle, texts::kInvalidAddress));
        } else if (link == "no-lister" || link == "no-cable") {  // no port is found
            if (link == "no-lister") {
                out_.boxes.push_back(
                    Box(texts::kErrorTitleExclaimed, texts::ListerLaunchFailed(kListerFileName)));
            }
            out_.boxes.push_back(Box(texts::kErrorTitle,
                                     std::string(texts::kCommandFailed).append(texts::kNoCable),
                                     diagnosis::WhyNoCable(diagnosis::Machine{})));
        } else {
            for (const Step& step : Steps(s_.operation, s_.form)) {
                const auto answer = Send(step.command, step.value);
                if (!answer || Refused(step.check, *answer)) {
                    break;
                }
                answers.push_back(*answer);
            }
        }
        for (size_t i = 0; s_.operation == Operation::Read && i < kSettings; ++i) {
            // after the class and the begin
            out_.form.push_back(i + 2 < answers.size() ? Shown(int(i), answers[i + 2]) : -1);
        }
        if (s_.operation == Operation::Info && answers.size() == 2) {
            out_.windows = "info " + std::to_string(answers[0]) + " " + std::to_string(answers[1]);
        }
        out_.stored = model_.settings;
        return std::move(out_);
    }

  private:
    // Whether the configurator refuses an answer, after the box it shows for it.
    bool Refused(int check, uint8_t answer) {
        if (check == kClass && answer != CONFIGURATOR_CLASS) {
            out_.boxes.push_back(
                Box(texts::kIncompatibleTitle, texts::Incompatible(answer, CONFIGURATOR_CLASS)));
        } else if (check == kAck && answer != ACK_VALUE) {
            out_.boxes.push_back(Box(texts::kRefusedTitle, texts::Refused()));
        } else if (check >= 0 && Shown(check, answer) != s_.form[size_t(check)]) {
            out_.boxes.push_back(Box(texts::kVerificationTitle, texts::kVerificationFailed));
        } else {
            return false;
        }
        return true;
    }

    // One transaction: the data byte, or nothing after its box.
    std::optional<uint8_t> Send(uint8_t command, uint8_t value) {
        Result result = Result::Ok;
        for (int attempt = 0; attempt < 3 && result != Result::CancelledByUser; ++attempt) {
            result = ++polls_ == s_.cancelAtPoll ? Result::CancelledByUser
                     : !s_.Link().empty()        ? Result::PortClosed  // found, does not open
                     : out_.cablePulled          ? Result::NoResponse  // the request reaches nobody
                                                 : Answer(command, value);
            if (result == Result::Ok) {
                return data_;
            }
        }
        std::string cause = result == Result::NoResponse && out_.cablePulled
                                ? std::string(texts::kCableCameOff)
                                : "";
        if (result == Result::PortClosed && s_.Link() == "port-busy") {  // seen by its lock alone
            cause = diagnosis::WhyPortDoesNotOpen(diagnosis::Machine{}, unitPort_, EBUSY);
        }
        out_.boxes.push_back(Box(FailureTitle(result), FailureText(result), cause));
        return std::nullopt;
    }

    // How the unit answers one request (data byte in data_), the fault used up by one.
    Result Answer(uint8_t command, uint8_t value) {
        static constexpr Result kResultOf[] = {
            // by FaultKind
            Result::NoResponse,  Result::Ok,        Result::Ok,           Result::BadStartByte,
            Result::BadChecksum, Result::BadLength, Result::Ok,           Result::Ok,
            Result::Ok,          Result::Ok,        Result::BadStartByte, Result::NoResponse};
        out_.Sent(command, value);
        const bool faulty =
            fault_.times != 0 &&
            (fault_.command == sim::kAnyCommand || fault_.command == command) &&
            (fault_.kind != FaultKind::Refuse || sim::IsAcknowledged(command)) &&
            (fault_.kind != FaultKind::ReadBackDiffers || sim::IsSettingRead(command));
        const FaultKind kind = faulty ? fault_.kind : FaultKind::Delay;
        fault_.times -= faulty && fault_.times > 0;
        data_ = kind == FaultKind::Refuse ? static_cast<uint8_t>(fault_.param)
                                          : sim::Answer(model_, command, value).value_or(0);
        data_ = static_cast<uint8_t>(data_ + (kind == FaultKind::ReadBackDiffers));
        out_.cablePulled = kind == FaultKind::PullCable;
        const bool late = kind == FaultKind::Delay && faulty && fault_.param > 500;
        return late ? Result::NoResponse : kResultOf[int(kind)];
    }

    const Scenario& s_;
    std::string unitPort_;
    sim::DeviceModel model_;
    sim::Fault fault_;
    Outcome out_;
    uint8_t data_ = 0;
    int polls_ = 0;
};

// ---- The scenario drawer ----

class Drawer {
  public:
    explicit Drawer(unsigned seed) : random_(seed) {}

    Scenario Next() {
        Scenario s;
        s.operation = static_cast<Operation>(Pick(0, 6) % 5);  // reads and writes twice as often
        const auto mode = static_cast<uint8_t>(Chance(0.05) ? 3 : Pick(1, 2));
        s.unit.settings = {mode, Byte(), Byte(), Byte(), Byte(), Byte(), Byte()};
        s.unit.deviceClass = Chance(0.05) ? 3 : CONFIGURATOR_CLASS;
        s.unit.firmwareVersion = Byte();
        s.form = {Pick(1, 2), Pick(0, 254), Byte(), Byte(), Byte(), Byte(), Pick(0, 100)};
        const std::string kNoAddress[] = {"255", "300", "-5", std::string(40, '9')};
        const bool noAddress = Chance(0.08);
        s.addressText = noAddress ? kNoAddress[Pick(0, 3)] : std::to_string(s.form[kAddress]);
        s.form[kAddress] = noAddress ? INVALID_INPUT : s.form[kAddress];
        const int draw = Pick(0, 99);
        if (draw < 50) {
            // The commands of a slave form: every one the operation sends.
            s.fault = Fault(Steps(s.operation, {kModeSlave}));
            s.kind = int(s.fault.kind);
        } else if (draw < 72) {
            s.kind = draw < 62 ? kFirstLink + Pick(0, 6) : kCancel;
            s.cancelAtPoll = s.kind == kCancel ? Pick(1, 12) : 0;
        }
        return s;
    }

  private:
    int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
    bool Chance(double p) { return std::bernoulli_distribution(p)(random_); }
    uint8_t Byte() { return static_cast<uint8_t>(Pick(0, 255)); }

    // Faults whose outcome the protocol fixes: late answers come well inside the 500 ms
    // window or long after the operation; a split answer's tail 5..8 ms on, joined only
    // on a stalled machine.
    sim::Fault Fault(const std::vector<Step>& steps) {
        sim::Fault f;
        f.command = Chance(0.25) ? sim::kAnyCommand : steps[Pick(0, int(steps.size()) - 1)].command;
        f.kind = static_cast<FaultKind>(Pick(0, int(FaultKind::PullCable)));
        const auto is = [&](FaultKind kind) { return f.kind == kind; };
        const int notAck = Pick(0, 254);
        f.param = is(FaultKind::Delay)        ? (Chance(0.7) ? Pick(0, 250) : 3000)
                  : is(FaultKind::Split)      ? Pick(5, 8)
                  : is(FaultKind::StaleAfter) ? Pick(1, 100)
                  : is(FaultKind::OverLong)   ? Pick(91, 200)
                  : is(FaultKind::Refuse)     ? notAck + (notAck >= ACK_VALUE)
                  : is(FaultKind::Noise)      ? (Chance(0.5) ? 90 : Pick(1, 200))
                                              : 0;
        const int times = Pick(0, 2);
        f.times = is(FaultKind::Split) || is(FaultKind::StaleAfter) ? 1
                  : times == 2 || f.param > 500                     ? -1
                                                                    : times + 1;
        f.startDelay = is(FaultKind::PullCable) ? Pick(0, 300) : 0;
        return f;
    }

    std::mt19937 random_;
};

// ---- A lane ----

// What the process holds: descriptors with their targets, threads and child processes.
std::set<std::string> TakeCensus() {
    std::set<std::string> held;
    std::error_code ignored;
    const fs::path listing = fs::canonical("/proc/self/fd", ignored);
    for (const auto& fd : fs::directory_iterator("/proc/self/fd", ignored)) {
        if (const fs::path target = fs::read_symlink(fd.path(), ignored); target != listing) {
            held.insert("descriptor " + fd.path().filename().string() + " " + target.string());
        }
    }
    for (const auto& task : fs::directory_iterator("/proc/self/task", ignored)) {
        held.insert("thread " + task.path().filename().string());
        std::ifstream children(task.path() / "children");
        for (std::string pid; children >> pid;) {
            held.insert("child " + pid);
        }
    }
    return held;
}

// The screen and form in memory, with the operator pressing "Отмена" at a given attempt.
// It plays the window, whose write sends the volume percent converted, never a byte kept
// from an earlier read.
struct SoakUi : testing::MemoryUi {
    bool PollCancel() override { return MemoryUi::PollCancel() || polls == cancelAtPoll; }
    int VolumeByteToWrite() const override {
        return PercentToVolumeByte(ValueByte(Control::strVolume));
    }
    int cancelAtPoll = 0;
};

// What the lanes count together (in memory they share): scenarios by kind, then the totals.
struct Counts {
    std::atomic<long> byKind[kKindCount], started, operations, mismatches, leaks;
};

// A program folder with the real port lister, an empty sysfs, a cable registry of its own,
// and device links that live as long as the lane, like the configurator's.
class Lane {
  public:
    Lane() {
        // The held-port check's watch lives as long as the program, made at its first question.
        diagnosis::AnotherProgramHolds("/dev/null");
        for (const char* folder : {"real", "sysfs", "empty", "not-a-port/port-is-folder"}) {
            fs::create_directories(folder_ / folder);
        }
        const std::string lister(kListerFileName);
        fs::copy_file(ProgramFolder() + lister, folder_ / ("real/" + lister));
        mkdir((folder_ / "registry").c_str(), 0700);  // the lister trusts only its owner's
        folder_.Write("not-a-port/port-is-file", "not a port\n");
        mkfifo((folder_ / "not-a-port/port-is-fifo").c_str(), 0600);
        folder_.Write("listed/" + lister, "#!/bin/sh\nexit 0\n", true);
        setenv("KAVREL_SYSFS_ROOT", (folder_ / "sysfs").c_str(), 1);
        setenv("KAVREL_CABLE_REGISTRY", (folder_ / "registry").c_str(), 1);
    }

    // What went wrong in one operation, and how much of it was left behind.
    std::vector<std::string> RunOne(const Scenario& s, std::atomic<long>& leaks) {
        sim::SimulatedUnit unit(s.unit);
        unit.AddFault(s.fault);
        const std::string link = s.Link();
        const std::string port =
            link == "port-is-null" ? "/dev/null" : folder_ / ("not-a-port/" + link);
        folder_.Write("listed/listport.txt",
                      port_list::Line(port_list::kCh340Cable, port) + "\r\n");
        std::optional<cable::CableRegistration> registration;
        if (link != "no-cable") {
            registration.emplace(unit.SlavePath(), folder_ / "registry");
        }
        std::optional<DevicePort> holder;  // another program's
        if (link == "port-busy") {
            holder.emplace().OpenDevicePort(unit.SlavePath());
        }
        ui_.CloseInfoWindow();  // the operator's "OK" after the last information
        ui_.messages.clear();
        ui_.polls = 0;
        ui_.cancelAtPoll = s.cancelAtPoll;
        const bool write = s.operation == Operation::Write;
        for (int i = 0; i < kSettings; ++i) {  // -1: for a read to set
            ui_.SetValueByte(kSettingsInOrder[i].control, write ? s.form[i] : -1);
        }
        ui_.SetValueByte(Control::optAutonomous, s.form[kMode]);
        ui_.SetText(Control::strAddress, s.addressText);
        if (write) {
            CheckAddressInput(ui_);  // as the edit of the field does
        }

        const std::set<std::string> before = TakeCensus();
        const bool listed = link.starts_with("port-is");  // its list names what is no port
        DeviceLink& device = listed ? listed_ : link == "no-lister" ? empty_ : real_;
        const std::function<void()> operations[] = {
            [&] { ReadSettings(device, ui_); }, [&] { WriteSettings(device, ui_); },
            [&] { ShowDeviceInfo(device, ui_); }, [&] { RunTest(device); },
            [&] { RunReset(device); }};
        operations[int(s.operation)]();
        holder.reset();

        Outcome seen;
        seen.stored = unit.Model().settings;
        for (const auto& message : ui_.messages) {
            seen.boxes.push_back(Box(message.title, message.text));
        }
        for (const auto& request : unit.Log()) {
            seen.Sent(request.command, request.value);
        }
        for (int i = 0; s.operation == Operation::Read && i < kSettings; ++i) {
            seen.form.push_back(ui_.ValueByte(kSettingsInOrder[i].control));
        }
        seen.windows = std::string(ui_.exchangeWindowOpen ? "exchange " : "") +
                       (ui_.IsMainWindowEnabled() ? "main" : "") +
                       (ui_.IsInfoWindowOpen() ? "info " + ui_.Text(Control::lblFirmwareVersion) +
                                                     " " + ui_.Text(Control::lblDeviceClass)
                                               : "");
        const Outcome expected = Walk(s, unit.SlavePath()).Run();
        // A split answer or stale bytes fail one attempt or none, as the machine's timing decides.
        const bool onlyOrder =
            s.kind == int(FaultKind::Split) || s.kind == int(FaultKind::StaleAfter);
        const auto want = expected.Fields(onlyOrder), got = seen.Fields(onlyOrder);
        std::vector<std::string> wrong;
        for (size_t i = 0; i < got.size(); ++i) {
            if (got[i] != want[i]) {
                wrong.push_back(got[i] + ", expected " + want[i]);
            }
        }
        // The operation may still be letting go for a moment (a send worker ending its
        // write). The port is released when another opener gets it.
        std::vector<std::string> left;
        for (const auto settled = Clock::now() + 1s;; std::this_thread::sleep_for(10ms)) {
            left.clear();
            std::ranges::set_difference(TakeCensus(), before, std::back_inserter(left));
            if (!expected.cablePulled && !DevicePort().OpenDevicePort(unit.SlavePath())) {
                left.push_back("the port, still held");
            }
            if (left.empty() || Clock::now() > settled) {
                break;
            }
        }
        std::ranges::transform(left, std::back_inserter(wrong),
                               [](const std::string& leak) { return "left behind: " + leak; });
        leaks += long(left.size());
        return wrong;
    }

  private:
    testing::ScratchFolder folder_;
    SoakUi ui_;
    DeviceLink real_{ui_, folder_ / "real/"};
    DeviceLink empty_{ui_, folder_ / "empty/"};
    DeviceLink listed_{ui_, folder_ / "listed/"};
};

// Runs operations until the lanes together have drawn enough of them, or the deadline.
void RunLane(int number, std::map<std::string, double> options, auto deadline, Counts& counts) {
    Lane lane;
    Drawer drawer{unsigned(options["--seed"]) * 1000 + unsigned(number)};
    while ((options["--seconds"] == 0 || Clock::now() < deadline) &&
           counts.started++ < long(options["--operations"])) {
        const Scenario s = drawer.Next();
        const std::vector<std::string> wrong = lane.RunOne(s, counts.leaks);
        if (!wrong.empty()) {
            std::cerr << "lane " << number << ": " << kOperationNames[int(s.operation)] << ", "
                      << kKinds[s.kind] << " on " << s.fault.command << " param " << s.fault.param
                      << " times " << s.fault.times << " after " << s.fault.startDelay
                      << " ms, class " << int(s.unit.deviceClass) << ", mode "
                      << int(s.unit.settings.mode) << ", cancel at " << s.cancelAtPoll
                      << ", address '" << s.addressText << "'\n    " << Join(wrong) << std::endl;
        }
        counts.mismatches += !wrong.empty();
        ++counts.byKind[s.kind];
        ++counts.operations;
    }
}

}  // namespace
}  // namespace kavrel::soak

int main(int argc, char** argv) {
    using namespace kavrel::soak;
    std::map<std::string, double> options = {
        {"--operations", 3000}, {"--seconds", 0}, {"--lanes", 8}, {"--seed", 1}};
    for (int i = 1; i < argc; i += 2) {
        char* end = nullptr;
        if (options.count(argv[i]) && i + 1 < argc &&
            (options[argv[i]] = std::strtod(argv[i + 1], &end)) >= 0 && *end == '\0') {
            continue;
        }
        std::cerr << "usage: fault-soak [--operations N] [--seconds S] [--lanes L] [--seed X]\n";
        return 2;
    }
    const int lanes = std::max(1, int(options["--lanes"]));
    const auto start = Clock::now();
    const auto deadline = start + std::chrono::duration<double>(options["--seconds"]);
    Counts& counts = *new (mmap(nullptr, sizeof(Counts), PROT_READ | PROT_WRITE,
                                MAP_SHARED | MAP_ANONYMOUS, -1, 0)) Counts{};
    for (int number = 0; number < lanes; ++number) {
        if (fork() == 0) {
            RunLane(number, options, deadline, counts);
            std::exit(0);  // exit, not _exit: a leak checker runs at exit
        }
    }
    bool lanesEnded = true;
    for (int status = 0; wait(&status) > 0;) {
        lanesEnded = lanesEnded && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("fault soak: %d lanes, seed %.0f, %.1f s, %.1f operations/s\n ", lanes,
                options["--seed"], seconds, double(counts.operations) / seconds);
    for (int kind = 0; kind < kKindCount; ++kind) {
        std::printf(" %s %ld", kKinds[kind], counts.byKind[kind].load());
    }
    std::printf("\noperations %ld, mismatches %ld, leaks %ld%s\n", counts.operations.load(),
                counts.mismatches.load(), counts.leaks.load(),
                lanesEnded ? "" : ", and a lane ended abnormally");
    return lanesEnded && counts.mismatches == 0 && counts.leaks == 0 ? 0 : 1;
}
