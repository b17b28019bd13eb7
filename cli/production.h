#pragma once

#include <string>

#include "config/device_settings.h"

namespace kavrel {
class DeviceLink;
}

namespace kavrel::cli {

class TerminalScreen;

struct ProductionRun {
    DeviceSettings settings;
    std::string profileName;  // for the record
    int count = 0;            // units to do; 0 until Ctrl+C
    std::string recordPath;   // "" for no record
    std::string fixedPort;    // "" to find cables with the lister
    std::string programFolder;
};

// Writes the settings to every unit plugged in, one after the other: waits for a cable,
// reads the firmware version, writes and verifies, prints one line per unit, waits until
// that cable is gone. Ends after `count` units or at Ctrl+C with a summary line; the exit
// code is 0 only when no unit failed.
int WriteEachUnit(DeviceLink& link, TerminalScreen& screen, const ProductionRun& run);

}  // namespace kavrel::cli
