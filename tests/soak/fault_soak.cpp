// The fault soak: complete device operations, one after another, each against a fresh
// simulated unit with at most one thing going wrong (a device fault, a cable-link fault or
// the operator's "Отмена"), each outcome checked against what the scenario must cause, and
// nothing left behind: no descriptor, thread or child process, and the port released.
//
//   fault-soak [--operations N] [--seconds S] [--lanes L] [--seed X]
//
// Lanes are processes of their own, so that each can count what it holds exactly; the
// operations of a lane run one at a time, as in the configurator. Exits 1 on any mismatch.

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <map>
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
const char* const kFaultNames[] = {
    "no-answer", "delay",       "split",  "bad-start",         "bad-checksum", "one-byte",
    "over-long", "stale-after", "refuse", "read-back-differs", "noise",        "pull-cable"};
// What can be wrong with the cable link before any command is sent.
const char* const kLinkFaults[] = {"no-cable",     "no-lister",    "port-is-file", "port-is-folder",
                                   "port-is-fifo", "port-is-null", "port-busy"};
constexpr std::string_view kListerName = "Zorvik";

// wndMain's settings in the order the operations write and read them.
constexpr int kSettings = 7, kMode = 0, kAddress = 1, kVolume = 6;
using FormBytes = std::array<int, kSettings>;
constexpr std::pair<uint8_t, uint8_t> kSetAndGet[kSettings] = {
    {CMD_SET_MODE, CMD_GET_MODE},
    {CMD_SET_ADDRESS, CMD_GET_ADDRESS},
    {CMD_SET_INDICATION, CMD_GET_INDICATION},
    {CMD_SET_PULSE_TIME, CMD_GET_PULSE_TIME},
    {CMD_SET_SOUND_OFF, CMD_GET_SOUND_OFF},
    {CMD_SET_SOUND_TYPE, CMD_GET_SOUND_TYPE},
    {CMD_SET_VOLUME, CMD_GET_VOLUME}};
constexpr Control kFormControls[kSettings] = {
    Control::optSlave,    Control::strAddress,   Control::chkCountRed, Control::cmbPulseTime,
    Control::chkSoundOff, Control::cmbSoundType, Control::strVolume};

struct Scenario {
    Operation operation = Operation::Read;
    sim::DeviceModel unit;
    std::optional<sim::Fault> fault;
    std::string link;         // one of kLinkFaults, "" for none
    int cancelAtPoll = 0;     // the operator's "Отмена" is taken by this attempt; 0 for never
    FormBytes form{};         // a write's value bytes: volume in percent, INVALID_INPUT for
    std::string addressText;  // an address text that reads as no address

    // A split answer or stale bytes fail one attempt or none, as the machine's timing decides.
    bool TimingDecidesAttempts() const {
        return fault && (fault->kind == FaultKind::Split || fault->kind == FaultKind::StaleAfter);
    }
    std::string Describe() const {
        std::ostringstream out;
        out << kOperationNames[int(operation)] << ", class " << int(unit.deviceClass) << ", mode "
            << int(unit.settings.mode) << ", link '" << link << "', cancel at " << cancelAtPoll
            << ", address '" << addressText << "'";
        if (fault) {
            out << ", fault " << kFaultNames[int(fault->kind)] << " on " << fault->command
                << " param " << fault->param << " times " << fault->times << " after "
                << fault->startDelay << " ms";
        }
        return out.str();
    }
};

// ---- The outcome oracle ----

struct Outcome {
    std::vector<std::string> boxes;           // title: text
    std::vector<std::string> requests;        // command:value, as the unit receives them
    std::optional<FormBytes> formAfterRead;   // -1 where the read leaves the value byte alone
    std::optional<std::pair<int, int>> info;  // wndInfo's firmware version and device class
    sim::Settings stored;                     // the unit's memory afterwards
    bool cablePulled = false;                 // the unit's line, and its port name, are gone
};

std::string Box(std::string_view title, std::string_view text, const std::string& cause = {}) {
    return std::string(title) + ": " + std::string(text) + (cause.empty() ? "" : "\n\n" + cause);
}

// Walks the operation request by request from the unit's side of the protocol, with the
// configurator's own failure results and operator texts.
class Walk {
  public:
    Walk(const Scenario& s, std::string unitPort)
        : s_(s), unitPort_(std::move(unitPort)), model_(s.unit), fault_(s.fault) {}

    Outcome Run() {
        if (s_.operation == Operation::Read) {
            Read();
        } else if (s_.operation == Operation::Write) {
            Write();
        } else if (s_.operation == Operation::Info) {
            Info();
        } else if (OpenLink() && Compatible()) {
            Acknowledged(s_.operation == Operation::Test ? CMD_TEST : CMD_RESET, kActionValue);
        }
        out_.stored = model_.settings;
        return std::move(out_);
    }

  private:
    bool OpenLink() {  // false when no port is found
        if (s_.link == "no-lister") {
            out_.boxes.push_back(
                Box(texts::kErrorTitleExclaimed, texts::ListerLaunchFailed(kListerName)));
        }
        if (s_.link == "no-lister" || s_.link == "no-cable") {
            out_.boxes.push_back(
                Box(texts::kErrorTitle,
                    std::string(texts::kCommandFailed) + std::string(texts::kNoCable),
                    diagnosis::WhyNoCable(diagnosis::Machine{})));
            return false;
        }
        portOpen_ = s_.link.empty();   // any other name is found but does not open
        if (s_.link == "port-busy") {  // held by a port of ours: seen by its lock alone
            portCause_ = diagnosis::WhyPortDoesNotOpen(diagnosis::Machine{}, unitPort_, EBUSY);
        }
        return true;
    }

    // One transaction: the data byte, or nothing after its box.
    std::optional<uint8_t> Send(uint8_t command, uint8_t value) {
        Result result = Result::Ok;
        for (int attempt = 0; attempt < 3; ++attempt) {
            if (++polls_ == s_.cancelAtPoll) {
                result = Result::CancelledByUser;
                break;
            }
            result = !portOpen_         ? Result::PortClosed
                     : out_.cablePulled ? Result::NoResponse  // the request reaches nobody
                                        : Answer(command, value);
            if (result == Result::Ok) {
                return data_;
            }
        }
        const std::string cause = result == Result::PortClosed ? portCause_
                                  : result == Result::NoResponse && out_.cablePulled
                                      ? diagnosis::CableCameOff()
                                      : std::string();
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

    bool Acknowledged(uint8_t command, uint8_t value) {
        const auto answer = Send(command, value);
        if (answer && *answer != ACK_VALUE) {
            out_.boxes.push_back(Box(texts::kRefusedTitle, texts::kRefused));
        }
        return answer == ACK_VALUE;
    }

    bool Compatible() {
        const auto deviceClass = Send(CMD_GET_CLASS, kFetchValue);
        if (deviceClass && *deviceClass != CONFIGURATOR_CLASS) {
            out_.boxes.push_back(Box(texts::kIncompatibleTitle,
                                     texts::Incompatible(*deviceClass, CONFIGURATOR_CLASS)));
        }
        return deviceClass == CONFIGURATOR_CLASS;
    }

    void Read() {
        FormBytes& shown = out_.formAfterRead.emplace();
        shown.fill(-1);
        if (!OpenLink() || !Compatible() || !Send(CMD_BEGIN_READ, kFetchValue)) {
            return;
        }
        for (int i = 0; i < kSettings; ++i) {
            const auto answer = Send(kSetAndGet[i].second, kFetchValue);
            if (!answer) {
                return;
            }
            const bool known = i != kMode || *answer == kModeSlave || *answer == kModeAutonomous;
            shown[i] = i == kVolume ? VolumeByteToPercent(*answer) : known ? *answer : -1;
        }
    }

    void Write() {
        const FormBytes& form = s_.form;
        if (form[kAddress] == INVALID_INPUT) {
            out_.boxes.push_back(Box(texts::kInvalidAddressTitle, texts::kInvalidAddress));
            return;
        }
        if (!OpenLink() || !Compatible()) {
            return;
        }
        const auto applies = [&](int i) { return i != kAddress || form[kMode] == kModeSlave; };
        for (int i = 0; i < kSettings; ++i) {
            const int wire = i == kVolume ? PercentToVolumeByte(form[i]) : form[i];
            if (applies(i) && !Acknowledged(kSetAndGet[i].first, static_cast<uint8_t>(wire))) {
                return;
            }
        }
        if (!Acknowledged(CMD_COMMIT, kCommitValue)) {
            return;
        }
        for (int i = 0; i < kSettings; ++i) {
            if (!applies(i)) {
                continue;
            }
            const auto readBack = Send(kSetAndGet[i].second, kFetchValue);
            if (!readBack) {
                return;
            }
            if ((i == kVolume ? VolumeByteToPercent(*readBack) : *readBack) != form[i]) {
                out_.boxes.push_back(Box(texts::kVerificationTitle, texts::kVerificationFailed));
                return;
            }
        }
    }

    void Info() {
        const auto version = OpenLink() ? Send(CMD_GET_VERSION, kFetchValue) : std::nullopt;
        const auto deviceClass = version ? Send(CMD_GET_CLASS, kFetchValue) : std::nullopt;
        if (deviceClass) {
            out_.info = {{*version, *deviceClass}};
        }
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
        s.unit.settings = {static_cast<uint8_t>(Chance(0.05) ? 3 : Pick(1, 2)),
                           Byte(),
                           Byte(),
                           Byte(),
                           Byte(),
                           Byte(),
                           Byte()};
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
            s.fault = Fault(Walk(plain, {}).Run().requests);
        } else if (draw < 62) {
            s.link = kLinkFaults[Pick(0, 6)];
        } else if (draw < 72) {
            s.cancelAtPoll = Pick(1, 12);
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
    sim::Fault Fault(const std::vector<std::string>& requests) {
        sim::Fault f;
        f.command = Chance(0.25) ? sim::kAnyCommand
                                 : std::stoi(requests[Pick(0, int(requests.size()) - 1)]);
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

template <typename List>
std::string Join(const List& items) {
    std::ostringstream text;
    for (const auto& item : items) {
        text << "[" << item << "]";
    }
    return text.str();
}

// The screen and form in memory, with the operator pressing "Отмена" at a given attempt.
class SoakUi : public testing::MemoryUi {
  public:
    bool PollCancel() override { return MemoryUi::PollCancel() || polls == cancelAtPoll; }
    int cancelAtPoll = 0;
};

// A program folder with the real port lister, an empty sysfs, a cable registry of its own,
// and device links that live as long as the lane, like the configurator's.
class Lane {
  public:
    Lane() {
        for (const char* folder : {"real", "sysfs", "empty", "not-a-port/folder"}) {
            fs::create_directories(folder_ / folder);
        }
        fs::copy_file(ProgramFolder() + std::string(kListerName), folder_ / "real/Zorvik");
        mkdir((folder_ / "registry").c_str(), 0700);  // the lister trusts only its owner's
        folder_.Write("not-a-port/file", "not a port\n");
        mkfifo((folder_ / "not-a-port/fifo").c_str(), 0600);
        folder_.Write("listed/Zorvik", "#!/bin/sh\nexit 0\n", true);
        setenv("KAVREL_SYSFS_ROOT", (folder_ / "sysfs").c_str(), 1);
        setenv("KAVREL_CABLE_REGISTRY", (folder_ / "registry").c_str(), 1);
    }

    // What went wrong in one operation; what it left behind is counted by kind too.
    std::vector<std::string> RunOne(const Scenario& s, std::map<std::string, long>& counts) {
        sim::SimulatedUnit unit(s.unit);
        if (s.fault) {
            unit.AddFault(*s.fault);
        }
        const std::map<std::string, std::string> listed = {
            {"port-is-file", folder_ / "not-a-port/file"},
            {"port-is-folder", folder_ / "not-a-port/folder"},
            {"port-is-fifo", folder_ / "not-a-port/fifo"},
            {"port-is-null", "/dev/null"}};
        const auto name = listed.find(s.link);
        folder_.Write("listed/listport.txt", std::string(texts::kCh340Cable) + " (" +
                                                 (name != listed.end() ? name->second : "") +
                                                 ")\r\n");
        DeviceLink& link = name != listed.end() ? listed_ : s.link == "no-lister" ? empty_ : real_;
        std::optional<cable::CableRegistration> registration;
        if (s.link != "no-cable") {
            registration.emplace(unit.SlavePath(), folder_ / "registry");
        }
        std::optional<DevicePort> holder;  // another program's
        if (s.link == "port-busy") {
            holder.emplace().OpenDevicePort(unit.SlavePath());
        }
        PrepareForm(s);

        const std::set<std::string> before = TakeCensus();
        const std::function<void()> operations[] = {
            [&] { ReadSettings(link, ui_); }, [&] { WriteSettings(link, ui_); },
            [&] { ShowDeviceInfo(link, ui_); }, [&] { RunTest(link); }, [&] { RunReset(link); }};
        operations[int(s.operation)]();
        holder.reset();
        const Outcome expected = Walk(s, unit.SlavePath()).Run();
        std::vector<std::string> wrong = Compare(s, expected, unit);
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
            ++counts["leaked " + leak.substr(0, leak.find(' '))];
            wrong.push_back("left behind: " + leak);
        }
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
            ui_.SetValueByte(kFormControls[i], write ? s.form[i] : -1);  // -1: for a read to set
        }
        ui_.SetValueByte(Control::optAutonomous, s.form[kMode]);
        ui_.SetText(Control::strAddress, s.addressText);
        if (write) {
            CheckAddressInput(ui_);  // as the edit of the field does
        }
    }

    std::vector<std::string> Compare(const Scenario& s, const Outcome& expected,
                                     const sim::SimulatedUnit& unit) const {
        std::vector<std::string> boxes, requests, compared = expected.requests;
        for (const auto& message : ui_.messages) {
            boxes.push_back(Box(message.title, message.text));
        }
        for (const auto& request : unit.Log()) {
            requests.push_back(std::to_string(request.command) + ":" +
                               std::to_string(request.value));
        }
        if (s.TimingDecidesAttempts()) {  // only the order of the requests is fixed
            requests.erase(std::unique(requests.begin(), requests.end()), requests.end());
            compared.erase(std::unique(compared.begin(), compared.end()), compared.end());
        }
        FormBytes form;
        std::transform(std::begin(kFormControls), std::end(kFormControls), form.begin(),
                       [&](Control c) { return ui_.ValueByte(c); });
        const FormBytes formExpected = expected.formAfterRead.value_or(form);
        const auto [version, deviceClass] = expected.info.value_or(std::pair(-1, -1));
        const bool info = expected.info.has_value();
        const std::pair<bool, std::string> checks[] = {
            {boxes == expected.boxes,
             "boxes " + Join(boxes) + ", expected " + Join(expected.boxes)},
            {requests == compared, "requests " + Join(requests) + ", expected " + Join(compared)},
            {form == formExpected, "form " + Join(form) + ", expected " + Join(formExpected)},
            {!ui_.exchangeWindowOpen, "the exchange window is still open"},
            {ui_.IsInfoWindowOpen() == info && ui_.IsMainWindowEnabled() != info,
             "wndInfo or wndMain in the wrong state"},
            {!info || (ui_.Text(Control::lblFirmwareVersion) == std::to_string(version) &&
                       ui_.Text(Control::lblDeviceClass) == std::to_string(deviceClass)),
             "wndInfo shows the wrong version or class"},
            {unit.Model().settings == expected.stored, "the unit's memory is not as expected"}};
        std::vector<std::string> wrong;
        for (const auto& [right, what] : checks) {
            if (!right) {
                wrong.push_back(what);
            }
        }
        return wrong;
    }

    testing::ScratchFolder folder_;
    SoakUi ui_;
    DeviceLink real_{ui_, folder_ / "real/"};
    DeviceLink empty_{ui_, folder_ / "empty/"};
    DeviceLink listed_{ui_, folder_ / "listed/"};  // its list names what is no port
};

// Runs the lane's share of the operations, or until the deadline; writes its counts.
void RunLane(int number, std::map<std::string, double> options, Clock::time_point deadline,
             const std::string& countsFile) {
    std::map<std::string, long> counts;
    Lane lane;
    Drawer drawer{unsigned(options["--seed"]) * 1000 + unsigned(number)};
    const long lanes = long(options["--lanes"]);
    const long quota = (long(options["--operations"]) + lanes - 1 - number) / lanes;
    while (counts["operations"] < quota && (options["--seconds"] == 0 || Clock::now() < deadline)) {
        const Scenario s = drawer.Next();
        const std::vector<std::string> wrong = lane.RunOne(s, counts);
        if (!wrong.empty()) {
            std::cerr << "lane " << number << ": " << s.Describe() << "\n    " + Join(wrong)
                      << std::endl;
        }
        counts["mismatches"] += !wrong.empty();
        ++counts["operations"];
        ++counts[std::string("operation ") + kOperationNames[int(s.operation)]];
        ++counts[s.fault              ? std::string("fault ") + kFaultNames[int(s.fault->kind)]
                 : !s.link.empty()    ? "link fault " + s.link
                 : s.cancelAtPoll > 0 ? "operator cancel"
                                      : "no fault"];
    }
    std::ofstream out(countsFile);
    for (const auto& [name, count] : counts) {
        out << name << '\t' << count << '\n';
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
    const kavrel::testing::ScratchFolder folder;  // where the lanes leave their counts
    std::vector<pid_t> pids;
    for (int number = 0; number < lanes; ++number) {
        if (const pid_t pid = fork(); pid == 0) {
            RunLane(number, options, deadline, folder / std::to_string(number));
            std::exit(0);  // exit, not _exit: a leak checker runs at exit
        } else {
            pids.push_back(pid);
        }
    }
    std::map<std::string, long> total;
    bool lanesEnded = true;
    for (int number = 0; number < lanes; ++number) {
        int status = 0;
        waitpid(pids[size_t(number)], &status, 0);
        lanesEnded = lanesEnded && WIFEXITED(status) && WEXITSTATUS(status) == 0;
        std::ifstream counts(folder / std::to_string(number));
        for (std::string name, count;
             std::getline(counts, name, '\t') && std::getline(counts, count);) {
            total[name] += std::stol(count);
        }
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("fault soak: %d lanes, seed %.0f, %.1f s, %.1f operations/s\n", lanes,
                options["--seed"], seconds, double(total["operations"]) / seconds);
    for (const auto& [name, count] : total) {
        std::printf("  %s: %ld\n", name.c_str(), count);
    }
    const long leaks = total["leaked descriptor"] + total["leaked thread"] + total["leaked child"];
    std::printf("operations %ld, mismatches %ld, leaks %ld%s\n", total["operations"],
                total["mismatches"], leaks, lanesEnded ? "" : ", and a lane ended abnormally");
    return lanesEnded && total["mismatches"] == 0 && leaks == 0 ? 0 : 1;
}
