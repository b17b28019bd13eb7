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
#include "link/device_link.h"
#include "link/link_texts.h"
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
constexpr int kFirstLinkFault = 12, kCancel = 19, kNoFault = 20, kKindCount = 21;
constexpr std::string_view kListerName = "Zorvik";

// wndMain's settings in the order the operations write and read them.
constexpr int kSettings = 7, kMode = 0, kAddress = 1, kVolume = 6;
using FormBytes = std::array<int, kSettings>;
struct Setting {
    Control control;
    uint8_t set, get;
};
constexpr Setting kSettingsInOrder[kSettings] = {
    {Control::optSlave, CMD_SET_MODE, CMD_GET_MODE},
    {Control::strAddress, CMD_SET_ADDRESS, CMD_GET_ADDRESS},
    {Control::chkCountRed, CMD_SET_INDICATION, CMD_GET_INDICATION},
    {Control::cmbPulseTime, CMD_SET_PULSE_TIME, CMD_GET_PULSE_TIME},
    {Control::chkSoundOff, CMD_SET_SOUND_OFF, CMD_GET_SOUND_OFF},
    {Control::cmbSoundType, CMD_SET_SOUND_TYPE, CMD_GET_SOUND_TYPE},
    {Control::strVolume, CMD_SET_VOLUME, CMD_GET_VOLUME}};

struct Scenario {
    Operation operation = Operation::Read;
    sim::DeviceModel unit;
    int kind = kNoFault;  // in kKinds
    std::optional<sim::Fault> fault;
    int cancelAtPoll = 0;     // the operator's "Отмена" is taken by this attempt
    FormBytes form{};         // a write's value bytes: volume in percent, INVALID_INPUT for
    std::string addressText;  // an address text that reads as no address

    std::string_view Link() const {
        return kind >= kFirstLinkFault && kind < kCancel ? kKinds[kind] : "";
    }
    std::string Describe() const {
        const sim::Fault f = fault.value_or(sim::Fault{});
        char text[200];
        std::snprintf(text, sizeof text,
                      "%s, %s on %d param %d times %d after %d ms, class %d, mode %d, cancel at "
                      "%d, address '%s'",
                      kOperationNames[int(operation)], kKinds[kind], f.command, f.param, f.times,
                      f.startDelay, unit.deviceClass, unit.settings.mode, cancelAtPoll,
                      addressText.c_str());
        return text;
    }
};

template <typename List>
std::string Join(const List& items) {
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

    // What is compared, field by field.
    std::array<std::string, 5> Fields(bool onlyOrder) const {
        std::vector<std::string> sent = requests;
        if (onlyOrder) {
            sent.erase(std::unique(sent.begin(), sent.end()), sent.end());
        }
        const sim::Settings& m = stored;
        const int memory[] = {m.mode,     m.address,   m.indication, m.pulseTime,
                              m.soundOff, m.soundType, m.volume};
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

// The requests of the operation when every one is answered as asked.
std::vector<Step> Steps(const Scenario& s) {
    const auto applies = [&](int i) { return i != kAddress || s.form[kMode] == kModeSlave; };
    std::vector<Step> steps;
    if (s.operation == Operation::Info) {
        return {{CMD_GET_VERSION, kFetchValue}, {CMD_GET_CLASS, kFetchValue}};
    }
    steps.push_back({CMD_GET_CLASS, kFetchValue, kClass});
    if (s.operation == Operation::Read) {
        steps.push_back({CMD_BEGIN_READ, kFetchValue});
    }
    for (int i = 0; i < kSettings && s.operation == Operation::Write; ++i) {
        const int wire = i == kVolume ? PercentToVolumeByte(s.form[i]) : s.form[i];
        if (applies(i)) {
            steps.push_back({kSettingsInOrder[i].set, static_cast<uint8_t>(wire), kAck});
        }
    }
    if (s.operation == Operation::Write) {
        steps.push_back({CMD_COMMIT, kCommitValue, kAck});
    }
    for (int i = 0; i < kSettings; ++i) {
        if (s.operation == Operation::Read || (s.operation == Operation::Write && applies(i))) {
            steps.push_back({kSettingsInOrder[i].get, kFetchValue,
                             s.operation == Operation::Write ? i : kNone});
        }
    }
    if (s.operation == Operation::Test || s.operation == Operation::Reset) {
        steps.push_back(
            {s.operation == Operation::Test ? CMD_TEST : CMD_RESET, kActionValue, kAck});
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
        const bool read = s_.operation == Operation::Read;
        if (read) {
            out_.form.assign(kSettings, -1);
        }
        if (s_.operation == Operation::Write && s_.form[kAddress] == INVALID_INPUT) {
            out_.boxes.push_back(Box(texts::kInvalidAddressTitle, texts::kInvalidAddress));
        } else if (OpenLink()) {
            std::vector<uint8_t> answers;
            for (const Step& step : Steps(s_)) {
                const auto answer = Send(step.command, step.value);
                const std::string refusal = !answer ? "" : Refusal(step.check, *answer);
                if (!refusal.empty()) {
                    out_.boxes.push_back(refusal);
                }
                if (!answer || !refusal.empty()) {
                    break;
                }
                answers.push_back(*answer);
            }
            for (size_t i = 2; read && i < answers.size(); ++i) {  // after the class and begin
                out_.form[i - 2] = Shown(int(i) - 2, answers[i]);
            }
            if (s_.operation == Operation::Info && answers.size() == 2) {
                out_.windows =
                    "info " + std::to_string(answers[0]) + " " + std::to_string(answers[1]);
            }
        }
        out_.stored = model_.settings;
        return std::move(out_);
    }

  private:
    // The box the configurator shows for an answer it does not accept, or "".
    std::string Refusal(int check, uint8_t answer) const {
        if (check == kClass && answer != CONFIGURATOR_CLASS) {
            return Box(texts::kIncompatibleTitle, texts::Incompatible(answer, CONFIGURATOR_CLASS));
        }
        if (check == kAck && answer != ACK_VALUE) {
            return Box(texts::kRefusedTitle, texts::kRefused);
        }
        const bool differs = check >= 0 && Shown(check, answer) != s_.form[size_t(check)];
        return differs ? Box(texts::kVerificationTitle, texts::kVerificationFailed) : "";
    }

    bool OpenLink() {  // false when no port is found
        const std::string_view link = s_.Link();
        if (link == "no-lister") {
            out_.boxes.push_back(
                Box(texts::kErrorTitleExclaimed, texts::ListerLaunchFailed(kListerName)));
        }
        if (link == "no-lister" || link == "no-cable") {
            out_.boxes.push_back(
                Box(texts::kErrorTitle,
                    std::string(texts::kCommandFailed) + std::string(texts::kNoCable),
                    diagnosis::WhyNoCable(diagnosis::Machine{})));
            return false;
        }
        portOpen_ = link.empty();   // any other name is found but does not open
        if (link == "port-busy") {  // held by a port of ours: seen by its lock alone
            portCause_ = diagnosis::WhyPortDoesNotOpen(diagnosis::Machine{}, unitPort_, EBUSY);
        }
        return true;
    }

    // One transaction: the data byte, or nothing after its box.
    std::optional<uint8_t> Send(uint8_t command, uint8_t value) {
        Result result = Result::Ok;
        for (int attempt = 0; attempt < 3 && result != Result::CancelledByUser; ++attempt) {
            result = ++polls_ == s_.cancelAtPoll ? Result::CancelledByUser
                     : !portOpen_                ? Result::PortClosed
                     : out_.cablePulled          ? Result::NoResponse  // the request reaches nobody
                                                 : Answer(command, value);
            if (result == Result::Ok) {
                return data_;
            }
        }
        const bool pulled = result == Result::NoResponse && out_.cablePulled;
        out_.boxes.push_back(Box(FailureTitle(result), FailureText(result),
                                 result == Result::PortClosed ? portCause_
                                 : pulled                     ? diagnosis::CableCameOff()
                                                              : std::string()));
        return std::nullopt;
    }

    // How the unit answers one request (data byte in data_), the fault used up by one.
    Result Answer(uint8_t command, uint8_t value) {
        static constexpr Result kResultOf[] = {
            // by FaultKind
            Result::NoResponse,  Result::Ok,        Result::Ok,           Result::BadStartByte,
            Result::BadChecksum, Result::BadLength, Result::Ok,           Result::Ok,
            Result::Ok,          Result::Ok,        Result::BadStartByte, Result::NoResponse};
        out_.requests.push_back(std::to_string(command) + ":" + std::to_string(value));
        const bool faulty =
            fault_ && fault_->times != 0 &&
            (fault_->command == sim::kAnyCommand || fault_->command == command) &&
            (fault_->kind != FaultKind::Refuse || sim::IsAcknowledged(command)) &&
            (fault_->kind != FaultKind::ReadBackDiffers || sim::IsSettingRead(command));
        const FaultKind kind = faulty ? fault_->kind : FaultKind::Delay;
        if (faulty && fault_->times > 0) {
            --fault_->times;
        }
        data_ = kind == FaultKind::Refuse ? static_cast<uint8_t>(fault_->param)
                                          : sim::Answer(model_, command, value).value_or(0);
        data_ = static_cast<uint8_t>(data_ + (kind == FaultKind::ReadBackDiffers));
        out_.cablePulled = kind == FaultKind::PullCable;
        const bool late = kind == FaultKind::Delay && faulty && fault_->param > 500;
        return late ? Result::NoResponse : kResultOf[int(kind)];
    }

    const Scenario& s_;
    std::string unitPort_;
    sim::DeviceModel model_;
    std::optional<sim::Fault> fault_;
    Outcome out_;
    uint8_t data_ = 0;
    bool portOpen_ = false;
    std::string portCause_;  // why the port did not open, after the closed-port text
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
        s.addressText = std::to_string(s.form[kAddress]);
        if (Chance(0.08)) {
            static const char* const kNoAddress[] = {"255", "300", "-5",
                                                     "1234567890123456789012345678901234567890"};
            s.addressText = kNoAddress[Pick(0, 3)];
            s.form[kAddress] = INVALID_INPUT;
        }
        const int draw = Pick(0, 99);
        if (draw < 50) {
            Scenario plain;  // a slave unit and form: every command of the operation is sent
            plain.operation = s.operation;
            plain.form[kMode] = kModeSlave;
            s.fault = Fault(Steps(plain));
            s.kind = int(s.fault->kind);
        } else if (draw < 72) {
            s.kind = draw < 62 ? kFirstLinkFault + Pick(0, 6) : kCancel;
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
class SoakUi : public testing::MemoryUi {
  public:
    bool PollCancel() override { return MemoryUi::PollCancel() || polls == cancelAtPoll; }
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
        for (const char* folder : {"real", "sysfs", "empty", "not-a-port/port-is-folder"}) {
            fs::create_directories(folder_ / folder);
        }
        fs::copy_file(ProgramFolder() + std::string(kListerName), folder_ / "real/Zorvik");
        mkdir((folder_ / "registry").c_str(), 0700);  // the lister trusts only its owner's
        folder_.Write("not-a-port/port-is-file", "not a port\n");
        mkfifo((folder_ / "not-a-port/port-is-fifo").c_str(), 0600);
        folder_.Write("listed/Zorvik", "#!/bin/sh\nexit 0\n", true);
        setenv("KAVREL_SYSFS_ROOT", (folder_ / "sysfs").c_str(), 1);
        setenv("KAVREL_CABLE_REGISTRY", (folder_ / "registry").c_str(), 1);
    }

    // What went wrong in one operation, and how much of it was left behind.
    std::vector<std::string> RunOne(const Scenario& s, long& leaks) {
        sim::SimulatedUnit unit(s.unit);
        if (s.fault) {
            unit.AddFault(*s.fault);
        }
        const std::string link(s.Link());
        const bool listed = link.starts_with("port-is");  // its list names what is no port
        const std::string name =
            link == "port-is-null" ? "/dev/null" : folder_ / ("not-a-port/" + link);
        folder_.Write("listed/listport.txt",
                      std::string(texts::kCh340Cable) + " (" + name + ")\r\n");
        std::optional<cable::CableRegistration> registration;
        if (link != "no-cable") {
            registration.emplace(unit.SlavePath(), folder_ / "registry");
        }
        std::optional<DevicePort> holder;  // another program's
        if (link == "port-busy") {
            holder.emplace().OpenDevicePort(unit.SlavePath());
        }
        PrepareForm(s);

        const std::set<std::string> before = TakeCensus();
        DeviceLink& device = listed ? listed_ : link == "no-lister" ? empty_ : real_;
        const std::function<void()> operations[] = {
            [&] { ReadSettings(device, ui_); }, [&] { WriteSettings(device, ui_); },
            [&] { ShowDeviceInfo(device, ui_); }, [&] { RunTest(device); },
            [&] { RunReset(device); }};
        operations[int(s.operation)]();
        holder.reset();
        const Outcome expected = Walk(s, unit.SlavePath()).Run();
        // A split answer or stale bytes fail one attempt or none, as the machine's timing decides.
        const bool onlyOrder =
            s.kind == int(FaultKind::Split) || s.kind == int(FaultKind::StaleAfter);
        const auto want = expected.Fields(onlyOrder), got = Seen(s, unit).Fields(onlyOrder);
        std::vector<std::string> wrong;
        for (size_t i = 0; i < got.size(); ++i) {
            if (got[i] != want[i]) {
                wrong.push_back(got[i] + ", expected " + want[i]);
            }
        }
        // The operation may still be letting go for a moment (a send worker ending its
        // write). The port is released when another opener gets it.
        bool released = false;
        std::vector<std::string> left;
        for (const auto settled = Clock::now() + 1s;; std::this_thread::sleep_for(10ms)) {
            released = expected.cablePulled || DevicePort().OpenDevicePort(unit.SlavePath());
            const std::set<std::string> after = TakeCensus();
            left.clear();
            std::set_difference(after.begin(), after.end(), before.begin(), before.end(),
                                std::back_inserter(left));
            if ((released && left.empty()) || Clock::now() > settled) {
                break;
            }
        }
        if (!released) {
            wrong.push_back("the port is still held");
        }
        for (const std::string& leak : left) {
            wrong.push_back("left behind: " + leak);
        }
        leaks += long(left.size());
        return wrong;
    }

  private:
    void PrepareForm(const Scenario& s) {
        ui_.CloseInfoWindow();  // the operator's "OK" after the last information
        ui_.messages.clear();
        ui_.polls = 0;
        ui_.cancelAtPoll = s.cancelAtPoll;
        const bool write = s.operation == Operation::Write;
        for (int i = 0; i < kSettings; ++i) {
            ui_.SetValueByte(kSettingsInOrder[i].control,
                             write ? s.form[i] : -1);  // -1: for a read to set
        }
        ui_.SetValueByte(Control::optAutonomous, s.form[kMode]);
        ui_.SetText(Control::strAddress, s.addressText);
        if (write) {
            CheckAddressInput(ui_);  // as the edit of the field does
        }
    }

    Outcome Seen(const Scenario& s, const sim::SimulatedUnit& unit) const {
        Outcome seen;
        seen.stored = unit.Model().settings;
        for (const auto& message : ui_.messages) {
            seen.boxes.push_back(Box(message.title, message.text));
        }
        for (const auto& request : unit.Log()) {
            seen.requests.push_back(std::to_string(request.command) + ":" +
                                    std::to_string(request.value));
        }
        if (s.operation == Operation::Read) {
            for (const Setting& setting : kSettingsInOrder) {
                seen.form.push_back(ui_.ValueByte(setting.control));
            }
        }
        seen.windows = std::string(ui_.exchangeWindowOpen ? "exchange " : "") +
                       (ui_.IsMainWindowEnabled() ? "main" : "") +
                       (ui_.IsInfoWindowOpen() ? "info " + ui_.Text(Control::lblFirmwareVersion) +
                                                     " " + ui_.Text(Control::lblDeviceClass)
                                               : "");
        return seen;
    }

    testing::ScratchFolder folder_;
    SoakUi ui_;
    DeviceLink real_{ui_, folder_ / "real/"};
    DeviceLink empty_{ui_, folder_ / "empty/"};
    DeviceLink listed_{ui_, folder_ / "listed/"};
};

// Runs operations until the lanes together have drawn enough of them, or the deadline.
void RunLane(int number, std::map<std::string, double> options, Clock::time_point deadline,
             Counts& counts) {
    Lane lane;
    Drawer drawer{unsigned(options["--seed"]) * 1000 + unsigned(number)};
    while ((options["--seconds"] == 0 || Clock::now() < deadline) &&
           counts.started++ < long(options["--operations"])) {
        const Scenario s = drawer.Next();
        long leaks = 0;
        const std::vector<std::string> wrong = lane.RunOne(s, leaks);
        if (!wrong.empty()) {
            std::cerr << "lane " << number << ": " << s.Describe() << "\n    " + Join(wrong)
                      << std::endl;
        }
        counts.mismatches += !wrong.empty();
        counts.leaks += leaks;
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
        if (!options.count(argv[i]) || i + 1 == argc ||
            (options[argv[i]] = std::strtod(argv[i + 1], &end)) < 0 || *end != '\0') {
            std::cerr
                << "usage: fault-soak [--operations N] [--seconds S] [--lanes L] [--seed X]\n";
            return 2;
        }
    }
    const int lanes = std::max(1, int(options["--lanes"]));
    const auto start = Clock::now();
    const auto deadline = start + std::chrono::duration_cast<Clock::duration>(
                                      std::chrono::duration<double>(options["--seconds"]));
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
