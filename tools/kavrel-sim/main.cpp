// kavrel-sim: a simulated unit on a pseudo-terminal. Prints the path to open as its first
// line and answers until SIGINT or SIGTERM; SIGUSR1 and SIGUSR2 pull and plug its cable.
#include <pthread.h>
#include <signal.h>

#include <charconv>
#include <cstdio>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/kavrel-sim/simulated_unit.h"
#include "tools/virtual-cable/cable_registry.h"

namespace {

using kavrel::sim::DeviceModel;
using kavrel::sim::Fault;
using kavrel::sim::FaultKind;

constexpr const char* kUsage =
    "Usage: kavrel-sim [options]\n"
    "A simulated Kavrel unit on a pseudo-terminal. Prints the terminal's path as the first\n"
    "line, then answers requests until SIGINT or SIGTERM.\n"
    "\n"
    "  --mode N          1 slave, 2 autonomous (1)\n"
    "  --address N       0..254 (0)\n"
    "  --indication N    bit 0 red, bit 1 green, bit 2 'RU'/'AU' (3)\n"
    "  --pulse-time N    3..20, 255 off (10)\n"
    "  --sound-off N     1 off, 0 on (0)\n"
    "  --sound-type N    1..3 (1)\n"
    "  --volume N        0..255 (255)\n"
    "  --class N         compatibility class (2)\n"
    "  --version N       firmware version (7)\n"
    "  --fault CMD:KIND[:PARAM[:TIMES[:DELAY]]]\n"
    "                    CMD is a command code or 'any'; KIND is one of no-answer, delay,\n"
    "                    split, bad-start, bad-checksum, one-byte, over-long, stale-after,\n"
    "                    refuse, read-back-differs, noise, pull-cable; TIMES -1 (default)\n"
    "                    for every answer; DELAY ms before the answer (or the pull) (0)\n"
    "  --no-register     do not show the terminal to the port lister as a cable\n"
    "  --log             print each request received, as 'request CMD VALUE' (hex)\n"
    "                    (SIGUSR1 withdraws the cable from the lister, SIGUSR2 shows it)\n"
    "  --help            this text\n";

std::optional<int> ParseInt(std::string_view text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::optional<uint8_t> ParseByte(std::string_view text) {
    const auto value = ParseInt(text);
    if (!value || *value < 0 || *value > 255) {
        return std::nullopt;
    }
    return static_cast<uint8_t>(*value);
}

std::vector<std::string_view> SplitColons(std::string_view text) {
    std::vector<std::string_view> parts;
    for (size_t colon; (colon = text.find(':')) != std::string_view::npos;) {
        parts.push_back(text.substr(0, colon));
        text.remove_prefix(colon + 1);
    }
    parts.push_back(text);
    return parts;
}

std::optional<Fault> ParseFault(std::string_view text) {
    static const std::map<std::string_view, FaultKind> kKinds = {
        {"no-answer", FaultKind::NoAnswer},
        {"delay", FaultKind::Delay},
        {"split", FaultKind::Split},
        {"bad-start", FaultKind::BadStartByte},
        {"bad-checksum", FaultKind::BadChecksum},
        {"one-byte", FaultKind::OneByte},
        {"over-long", FaultKind::OverLong},
        {"stale-after", FaultKind::StaleAfter},
        {"refuse", FaultKind::Refuse},
        {"read-back-differs", FaultKind::ReadBackDiffers},
        {"noise", FaultKind::Noise},
        {"pull-cable", FaultKind::PullCable},
    };
    const auto parts = SplitColons(text);
    if (parts.size() < 2 || parts.size() > 5) {
        return std::nullopt;
    }
    Fault fault;
    if (parts[0] != "any") {
        const auto command = ParseByte(parts[0]);
        if (!command) {
            return std::nullopt;
        }
        fault.command = *command;
    }
    const auto kind = kKinds.find(parts[1]);
    if (kind == kKinds.end()) {
        return std::nullopt;
    }
    fault.kind = kind->second;
    // PARAM, TIMES and DELAY, as far as given; a delay cannot be negative.
    int Fault::*const kNumbers[] = {&Fault::param, &Fault::times, &Fault::startDelay};
    for (size_t i = 2; i < parts.size(); ++i) {
        const auto number = ParseInt(parts[i]);
        if (!number || (i == 4 && *number < 0)) {
            return std::nullopt;
        }
        fault.*kNumbers[i - 2] = *number;
    }
    return fault;
}

struct Options {
    DeviceModel model;
    std::vector<Fault> faults;
    bool registerCable = true;
    bool logRequests = false;
};

// Nullopt after printing the reason (or the help text, with `help` set).
std::optional<Options> ParseOptions(int argc, char** argv, bool& help) {
    Options options;
    auto& s = options.model.settings;
    const std::map<std::string_view, uint8_t*> byteOptions = {
        {"--mode", &s.mode},
        {"--address", &s.address},
        {"--indication", &s.indication},
        {"--pulse-time", &s.pulseTime},
        {"--sound-off", &s.soundOff},
        {"--sound-type", &s.soundType},
        {"--volume", &s.volume},
        {"--class", &options.model.deviceClass},
        {"--version", &options.model.firmwareVersion},
    };
    for (int i = 1; i < argc; ++i) {
        const std::string_view option = argv[i];
        if (option == "--help") {
            help = true;
            return std::nullopt;
        }
        if (option == "--no-register") {
            options.registerCable = false;
            continue;
        }
        if (option == "--log") {
            options.logRequests = true;
            continue;
        }
        if (i + 1 >= argc) {
            std::cerr << "kavrel-sim: " << option << " needs a value or is unknown\n";
            return std::nullopt;
        }
        const std::string_view value = argv[++i];
        if (const auto target = byteOptions.find(option); target != byteOptions.end()) {
            const auto byte = ParseByte(value);
            if (!byte) {
                std::cerr << "kavrel-sim: " << option << " takes a number 0..255\n";
                return std::nullopt;
            }
            *target->second = *byte;
        } else if (option == "--fault") {
            const auto fault = ParseFault(value);
            if (!fault) {
                std::cerr << "kavrel-sim: bad fault '" << value << "'\n";
                return std::nullopt;
            }
            options.faults.push_back(*fault);
        } else {
            std::cerr << "kavrel-sim: unknown option " << option << "\n";
            return std::nullopt;
        }
    }
    return options;
}

}  // namespace

int main(int argc, char** argv) {
    bool help = false;
    const auto options = ParseOptions(argc, argv, help);
    if (!options) {
        std::cout << kUsage;
        return help ? 0 : 2;
    }

    // Blocked before the unit's thread starts, so that only sigwait below takes them.
    sigset_t endSignals;
    sigemptyset(&endSignals);
    sigaddset(&endSignals, SIGINT);
    sigaddset(&endSignals, SIGTERM);
    sigaddset(&endSignals, SIGUSR1);
    sigaddset(&endSignals, SIGUSR2);
    pthread_sigmask(SIG_BLOCK, &endSignals, nullptr);

    kavrel::sim::SimulatedUnit unit(options->model);
    for (const auto& fault : options->faults) {
        unit.AddFault(fault);
    }

    // Zorvik lists the terminal as a cable while the unit runs; registered before the first
    // line, so whoever waits for that line finds the cable already listed.
    std::optional<kavrel::cable::CableRegistration> cable;
    if (options->registerCable) {
        cable.emplace(unit.SlavePath());
    }

    std::cout << unit.SlavePath() << std::endl;  // first line; tests wait for it

    // The log is looked at a few times a second, and only when asked for; otherwise the
    // program just waits for a signal. The unit goes on answering on its terminal whether
    // its cable is shown or not.
    const timespec logInterval{0, 50'000'000};
    size_t printed = 0;
    for (;;) {
        const int received =
            sigtimedwait(&endSignals, nullptr, options->logRequests ? &logInterval : nullptr);
        if (options->logRequests) {
            const auto log = unit.Log();
            for (; printed < log.size(); ++printed) {
                std::printf("request %02X %02X\n", log[printed].command, log[printed].value);
            }
            std::fflush(stdout);
        }
        if (received == SIGUSR1) {
            cable.reset();
        } else if (received == SIGUSR2) {
            cable.emplace(unit.SlavePath());
        } else if (received > 0) {
            break;
        }
    }
    return 0;
}
