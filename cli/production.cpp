#include "cli/production.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>
#include <optional>

#include "cli/exit_codes.h"
#include "cli/interrupt.h"
#include "cli/platform.h"
#include "cli/settings_form.h"
#include "cli/terminal_screen.h"
#include "config/operations.h"
#include "config/settings_coding.h"
#include "link/cable_search.h"
#include "link/device_link.h"
#include "link/port_name.h"

namespace kavrel::cli {

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Between two looks for a cable; with the lister's own few milliseconds a unit plugged in
// is noticed well within half a second.
constexpr auto kLookInterval = 250ms;

// The port of the cable plugged in now ("" for none), found as the configurator finds it;
// nothing when the lister did not start (reported).
std::optional<std::string> LookForCable(TerminalScreen& screen, const ProductionRun& run) {
    if (!run.fixedPort.empty()) {
        return PortPresent(run.fixedPort) ? run.fixedPort : "";
    }
    const auto list = ListPorts(screen, run.programFolder);
    return list ? std::optional(PortNameFromList(*list)) : std::nullopt;
}

enum class Wait { Done, Interrupted, ListerFailed };

// Looks for cables until `done` accepts what it found.
Wait WaitForCable(TerminalScreen& screen, const ProductionRun& run,
                  const std::function<bool(const std::string& port)>& done) {
    while (!Interrupted()) {
        const auto port = LookForCable(screen, run);
        if (!port) {
            return Wait::ListerFailed;
        }
        if (done(*port)) {
            return Wait::Done;
        }
        WaitUnlessInterrupted(kLookInterval);
    }
    return Wait::Interrupted;
}

}  // namespace

int WriteEachUnit(DeviceLink& link, TerminalScreen& screen, const ProductionRun& run) {
    std::ofstream record;
    if (!run.recordPath.empty()) {
        record.open(run.recordPath, std::ios::app);
        if (!record) {
            screen.PrintLine("cannot open the record " + run.recordPath);
            return kExitUsage;
        }
    }
    int written = 0;
    int failed = 0;
    int exitCode = kExitOk;
    for (int unit = 1; run.count == 0 || unit <= run.count; ++unit) {
        screen.PrintLine("waiting for unit " + std::to_string(unit));
        std::string port;
        const Wait plugged = WaitForCable(screen, run, [&](const std::string& found) {
            port = found;
            return !found.empty();
        });
        if (plugged != Wait::Done) {
            exitCode = plugged == Wait::ListerFailed ? kExitNoCable : exitCode;
            break;
        }

        const auto started = Clock::now();
        link.UsePort(port);
        SettingsForm form;
        form.Load(run.settings);
        screen.ExpectSteps(kInfoTransactions);
        OperationResult result = ShowDeviceInfo(link, form);
        const bool identified = result == OperationResult::Ok;
        if (identified) {
            screen.ExpectSteps(WriteTransactions(run.settings.mode == kModeSlave));
            result = WriteSettings(link, form);
        }
        const double seconds =
            std::round(std::chrono::duration<double>(Clock::now() - started).count() * 100) / 100;
        const std::string outcome = result == OperationResult::Ok ? "OK" : screen.LastMessage();
        const std::string version = identified ? form.Text(Control::lblFirmwareVersion) : "-";
        std::printf("%d  firmware %s  %s  %.2f s\n", unit, version.c_str(), outcome.c_str(),
                    seconds);
        std::fflush(stdout);
        if (record.is_open()) {
            nlohmann::ordered_json line = {
                {"time", LocalTimeStamp()},    {"port", port},
                {"firmware_version", nullptr}, {"class", nullptr},
                {"profile", run.profileName},  {"result", outcome},
                {"seconds", seconds},
            };
            if (identified) {
                line["firmware_version"] = std::stoi(version);
                line["class"] = std::stoi(form.Text(Control::lblDeviceClass));
            }
            record << line.dump() << std::endl;
        }

        if (result == OperationResult::Ok) {
            ++written;
        } else {
            ++failed;
            exitCode = exitCode == kExitOk ? ExitCode(result) : exitCode;
        }
        if (result == OperationResult::Cancelled) {
            exitCode = kExitInterrupted;
            break;
        }
        if (unit == run.count) {
            break;
        }
        screen.PrintLine("unit " + std::to_string(unit) + " done: unplug it");
        const Wait unplugged =
            WaitForCable(screen, run, [&](const std::string& found) { return found != port; });
        if (unplugged != Wait::Done) {
            exitCode = unplugged == Wait::ListerFailed ? kExitNoCable : exitCode;
            break;
        }
    }
    std::printf("%d written, %d failed\n", written, failed);
    return exitCode;
}

}  // namespace kavrel::cli
