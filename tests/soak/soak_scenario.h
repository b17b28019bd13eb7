#pragma once

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "link/user_interface.h"
#include "tools/kavrel-sim/simulated_unit.h"

// One operation of the fault soak: what the technician starts, the unit it meets and what
// goes wrong, and what must come of it.
namespace kavrel::soak {

enum class Operation { Read, Write, Info, Test, Reset };

// What is wrong with the cable link before any command is sent.
enum class LinkFault {
    None,
    NoCable,       // the port list names no cable
    NoLister,      // the port lister is missing from the program folder
    PortIsFile,    // the list names a regular file ...
    PortIsFolder,  // ... a folder ...
    PortIsFifo,    // ... a FIFO ...
    PortIsNull,    // ... /dev/null
    PortBusy,      // another program holds the port
};

// What wndMain holds when a write starts.
struct Form {
    int mode = 1;
    std::string addressText = "0";
    int indication = 3;
    int pulseTime = 10;
    int soundOff = 0;
    int soundType = 1;
    int volumePercent = 100;
};

struct Scenario {
    Operation operation = Operation::Read;
    sim::DeviceModel model;
    std::optional<sim::Fault> fault;
    LinkFault link = LinkFault::None;
    int cancelAtPoll = 0;  // the operator's "Отмена" is taken by this attempt; 0 for never
    Form form;

    // A split answer or stale bytes fail at most one attempt, or none when the machine
    // is slow enough to join the parts: the outcome is fixed, the number of attempts is not.
    bool AttemptsDependOnTiming() const;
    std::string Describe() const;
};

Scenario DrawScenario(std::mt19937& random);

struct Box {
    std::string title;
    std::string text;
    bool operator==(const Box&) const = default;
};

// A request as the unit receives it: command and value byte.
using Request = std::pair<uint8_t, uint8_t>;

struct Expectation {
    std::vector<Box> boxes;
    std::vector<Request> wire;  // attempt by attempt
    // After a complete read: the value bytes of the form (the mode's only for modes 1 and 2).
    std::vector<std::pair<Control, int>> valueBytes;
    std::optional<sim::Settings> stored;      // after a complete write: the unit's memory
    std::optional<std::pair<int, int>> info;  // after a complete information: version, class
};

// The outcome the scenario must have, worked out request by request from the unit's side
// of the protocol and the operation's documented sequence.
Expectation Predict(const Scenario& scenario);

std::string Describe(const std::vector<Box>& boxes);
std::string Describe(const std::vector<Request>& wire);
const char* Name(Operation operation);
const char* Name(LinkFault link);
const char* Name(sim::FaultKind kind);

}  // namespace kavrel::soak
