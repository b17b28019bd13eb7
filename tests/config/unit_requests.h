#pragma once

#include <algorithm>
#include <utility>
#include <vector>

#include "tools/kavrel-sim/simulated_unit.h"

namespace kavrel::testing {

// The command and value byte of every request a unit received, in order.
using Requests = std::vector<std::pair<int, int>>;

inline Requests RequestsTo(const sim::SimulatedUnit& unit) {
    Requests requests;
    for (const sim::LoggedRequest& request : unit.Log()) {
        requests.emplace_back(request.command, request.value);
    }
    return requests;
}

inline bool Received(const sim::SimulatedUnit& unit, int command, int value) {
    return std::ranges::count(RequestsTo(unit), std::pair{command, value}) > 0;
}

// The class query, then every setting.
inline const Requests kReadRequests = {{46, 0}, {51, 0}, {41, 0}, {45, 0}, {39, 0},
                                       {40, 0}, {42, 0}, {43, 0}, {50, 0}};

// The form as wndMain starts (slave, address 0, red and green, 10, sound on, type 1, 100 %),
// stored, then read back.
inline const Requests kStartUpWriteRequests = {
    {46, 0}, {35, 1}, {44, 0}, {33, 3}, {34, 10}, {36, 0}, {37, 1}, {49, 255},
    {38, 0}, {41, 0}, {45, 0}, {39, 0}, {40, 0},  {42, 0}, {43, 0}, {50, 0}};

}  // namespace kavrel::testing
