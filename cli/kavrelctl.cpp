#include "cli/kavrelctl.h"

#include <CLI/CLI.hpp>
#include <chrono>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <string>

#include "cli/exit_codes.h"
#include "cli/interrupt.h"
#include "cli/platform.h"
#include "cli/production.h"
#include "cli/settings_form.h"
#include "cli/terminal_screen.h"
#include "cli/traffic_trace.h"
#include "config/commands.h"
#include "config/operations.h"
#include "config/profile.h"
#include "config/profile_file.h"
#include "config/settings_coding.h"
#include "link/cable_search.h"
#include "link/device_link.h"
#include "link/lister_process.h"
#include "link/port_name.h"
#include "link/program_folder.h"

namespace kavrel::cli {

namespace {

// The settings `write` changes when no profile is given; each empty when not asked for.
struct SettingChanges {
    std::string mode, address, countRed, countGreen, indicationRuAu, pulseTime;
    bool Any() const {
        return !(mode + address + countRed + countGreen + indicationRuAu + pulseTime).empty();
    }
};

class Kavrelctl {
  public:
    Kavrelctl(std::FILE* trace, std::chrono::steady_clock::time_point start,
              const std::string& port)
        : traffic_(screen_, trace, start) {
        link_.SetTraceSink(&traffic_);
        link_.UsePort(port);
        port_ = port;
    }

    int Ports() {
        if (!port_.empty()) {
            std::printf("port: %s (given with --port: no lister is run)\n", port_.c_str());
            return kExitOk;
        }
        const PortListing listed = ListPorts(screen_, ProgramFolder());
        if (listed.result == Listing::ListerNotStarted) {
            return kExitNoCable;
        }
        const std::string& list = listed.list;
        if (listed.result == Listing::Read) {
            std::printf("%s lists:%s\n", std::string(kListerFileName).c_str(),
                        list.empty() ? " nothing" : "");
        }
        std::istringstream lines(list);
        for (std::string line; std::getline(lines, line);) {
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            std::printf("  %s\n", line.c_str());
        }
        const std::string port = PortNameFromList(list);
        if (port.empty()) {
            std::printf("port: none\n");
            const std::string cause = NoCableCause(listed.result);
            if (!cause.empty()) {
                std::printf("%s\n", cause.c_str());
            }
            return kExitNoCable;
        }
        std::printf("port: %s\n", port.c_str());
        return kExitOk;
    }

    int Read(bool json, const std::string& profilePath) {
        SettingsForm form;
        screen_.ExpectSteps(kReadTransactions);
        const OperationResult result = ReadSettings(link_, form);
        if (result != OperationResult::Ok) {
            return ExitCode(result);
        }
        const DeviceSettings settings = *form.SettingsRead();
        if (!profilePath.empty() &&
            WriteFileAtomically(PathFromUtf8(profilePath), ProfileJson(settings)) !=
                FileWriteFault::None) {
            screen_.PrintLine("cannot write the profile " + profilePath);
            return kExitUsage;
        }
        if (json) {
            std::printf("%s", ProfileJson(settings).c_str());
        } else {
            for (const auto& [key, value] : ProfileRows(settings)) {
                std::printf("%-18s %s\n", key.c_str(), value.c_str());
            }
        }
        return kExitOk;
    }

    int WriteProfile(const std::string& profilePath) {
        const auto settings = LoadProfile(profilePath);
        if (!settings) {
            return kExitUsage;
        }
        SettingsForm form;
        form.Load(*settings);
        return Write(form);
    }

    int WriteChanges(const SettingChanges& changes) {
        SettingsForm form;
        screen_.ExpectSteps(kReadTransactions);
        if (const OperationResult read = ReadSettings(link_, form); read != OperationResult::Ok) {
            return ExitCode(read);
        }
        // In the order the window's rules need: the mode decides what the others can reach.
        if (!changes.mode.empty()) {
            form.SelectMode(changes.mode == "slave");
        }
        if (!changes.address.empty()) {
            form.TypeAddress(changes.address);
        }
        const std::pair<const std::string&, Control> boxes[] = {
            {changes.countRed, Control::chkCountRed},
            {changes.countGreen, Control::chkCountGreen},
            {changes.indicationRuAu, Control::chkIndicationRuAu}};
        for (const auto& [change, box] : boxes) {
            if (!change.empty()) {
                form.Check(box, change == "on");
            }
        }
        if (!changes.pulseTime.empty()) {
            form.SelectPulseTime(changes.pulseTime == "off" ? kPulseTimeOff
                                                            : std::stoi(changes.pulseTime));
        }
        return Write(form);
    }

    int Info(bool json) {
        SettingsForm form;
        screen_.ExpectSteps(kInfoTransactions);
        const OperationResult result = ShowDeviceInfo(link_, form);
        if (result != OperationResult::Ok) {
            return ExitCode(result);
        }
        const std::pair<const char*, Control> rows[] = {
            {"firmware_version", Control::lblFirmwareVersion},
            {"device_class", Control::lblDeviceClass},
            {"configurator_version", Control::lblConfiguratorVersion},
            {"configurator_class", Control::lblConfiguratorClass}};
        nlohmann::ordered_json info;
        for (const auto& [key, label] : rows) {
            if (json) {
                info[key] = std::stoi(form.Text(label));
            } else {
                std::printf("%-21s %s\n", key, form.Text(label).c_str());
            }
        }
        if (json) {
            std::printf("%s\n", info.dump(2).c_str());
        }
        return kExitOk;
    }

    int Action(OperationResult (*operation)(DeviceLink&), int transactions) {
        screen_.ExpectSteps(transactions);
        return ExitCode(operation(link_));
    }

    int Apply(const std::string& profilePath, int count, const std::string& recordPath) {
        const auto settings = LoadProfile(profilePath);
        if (!settings) {
            return kExitUsage;
        }
        const std::string name = profilePath.substr(profilePath.find_last_of('/') + 1);
        return WriteEachUnit(link_, screen_,
                             {*settings, name, count, recordPath, port_, ProgramFolder()});
    }

  private:
    // The whole profile checked before anything is sent; a fault is told in one line.
    std::optional<DeviceSettings> LoadProfile(const std::string& path) {
        const auto json = ReadWholeFile(PathFromUtf8(path));
        if (!json) {
            screen_.PrintLine(path + ": cannot be read");
            return std::nullopt;
        }
        ProfileFault fault;
        const auto settings = ParseProfile(*json, fault);
        if (!settings) {
            screen_.PrintLine(path + ": " + fault.description);
        }
        return settings;
    }

    int Write(SettingsForm& form) {
        screen_.ExpectSteps(
            WriteTransactions(form.ValueByte(Control::optAutonomous) == kModeSlave));
        return ExitCode(WriteSettings(link_, form));
    }

    TerminalScreen screen_;
    TrafficTrace traffic_;
    DeviceLink link_{screen_};
    std::string port_;
};

const CLI::Validator kOnOff = CLI::IsMember({"on", "off"});

}  // namespace

int Main(int argc, char** argv) {
    const auto start = std::chrono::steady_clock::now();
    CLI::App app(
        "Configures Kavrel units from the command line: the same transactions, "
        "checks and texts as the configurator's window.",
        "kavrelctl");
    app.footer(kExitCodesHelp);
    app.require_subcommand(1);
    std::string port, tracePath;
    app.add_option("--port", port, "use this port and run no lister")->option_text("PORT");
    app.add_option("--trace", tracePath, "write every byte to FILE ('-': standard error)")
        ->option_text("FILE");

    auto* ports = app.add_subcommand(
        "ports", "what Zorvik lists, the port an operation would use, and why there is none");

    bool json = false;
    std::string output;
    auto* read = app.add_subcommand("read", "the unit's seven settings");
    read->add_flag("--json", json, "as a JSON profile");
    read->add_option("-o", output, "also write them as a profile to FILE")->option_text("FILE");

    std::string profile;
    SettingChanges changes;
    auto* write = app.add_subcommand(
        "write",
        "write a PROFILE, or read the unit, change the settings named and write them "
        "back; verified as the window verifies");
    write->add_option("PROFILE", profile, "the profile to write");
    write
        ->add_option("--mode", changes.mode,
                     "slave or autonomous (the address is not written "
                     "in autonomous mode)")
        ->check(CLI::IsMember({"slave", "autonomous"}));
    write->add_option("--address", changes.address, "0..254")
        ->check(CLI::Validator(
            [](const std::string& text) {
                return text.find_first_not_of("0123456789") == std::string::npos && !text.empty()
                           ? std::string()
                           : "digits only";
            },
            "N"));
    write->add_option("--count-red", changes.countRed, "countdown on red")->check(kOnOff);
    write->add_option("--count-green", changes.countGreen, "countdown on green")->check(kOnOff);
    write->add_option("--indication-ru-au", changes.indicationRuAu, "the 'РУ'/'АУ' indication")
        ->check(kOnOff);
    write->add_option("--pulse-time", changes.pulseTime, "off or 3..20")
        ->check(CLI::IsMember({"off", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12", "13",
                               "14", "15", "16", "17", "18", "19", "20"}));

    auto* info = app.add_subcommand(
        "info", "firmware version, device class, configurator version and class");
    info->add_flag("--json", json, "as JSON");
    auto* test = app.add_subcommand("test", "the unit's test command");
    auto* reset = app.add_subcommand("reset", "the unit's reset command");

    int count = 0;
    std::string record;
    auto* apply = app.add_subcommand(
        "apply", "production mode: write PROFILE to every unit plugged in, one after the other");
    apply->add_option("PROFILE", profile, "the profile to write")->required();
    bool each = false;
    apply->add_flag("--each", each, "wait for each unit in turn")->required();
    apply->add_option("--count", count, "stop after N units (default: at Ctrl+C)")
        ->check(CLI::PositiveNumber);
    apply->add_option("--record", record, "append one JSON line per unit to FILE")
        ->option_text("FILE");

    try {
        app.parse(argc, argv);
        if (*write && profile.empty() == !changes.Any()) {
            throw CLI::ValidationError("write", "give either a PROFILE or settings to change");
        }
    } catch (const CLI::ParseError& e) {
        return app.exit(e) == 0 ? kExitOk : kExitUsage;
    }

    std::FILE* trace = nullptr;
    if (!tracePath.empty()) {
        trace = tracePath == "-" ? stderr : std::fopen(tracePath.c_str(), kWriteNotInherited);
        if (!trace) {
            std::fprintf(stderr, "%s: cannot be written\n", tracePath.c_str());
            return kExitUsage;
        }
    }
    CatchInterrupt();
    Kavrelctl kavrelctl(trace, start, port);
    if (*ports) {
        return kavrelctl.Ports();
    }
    if (*read) {
        return kavrelctl.Read(json, output);
    }
    if (*write) {
        return profile.empty() ? kavrelctl.WriteChanges(changes) : kavrelctl.WriteProfile(profile);
    }
    if (*info) {
        return kavrelctl.Info(json);
    }
    if (*test || *reset) {
        return *test ? kavrelctl.Action(RunTest, kTestTransactions)
                     : kavrelctl.Action(RunReset, kResetTransactions);
    }
    return kavrelctl.Apply(profile, count, record);
}

}  // namespace kavrel::cli
