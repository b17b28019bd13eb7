#include "tools/kavrel-sim/simulated_unit.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <tuple>
#include <vector>

namespace kavrel::sim {
namespace {

using Bytes = std::vector<uint8_t>;

// A smoke test only: the link and configuration suites exercise the unit and its faults.
TEST(SimulatedUnitTest, AnswersReadsFromTheModelAndStoresAcknowledgedWrites) {
    DeviceModel model;
    model.settings.mode = 2;
    model.deviceClass = 3;
    SimulatedUnit unit(model);
    const int line = open(unit.SlavePath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(line, 0);

    // command, value written, data answered: requests 6E FF cmd value sum, answers 6E FF data sum
    const std::vector<std::tuple<uint8_t, uint8_t, uint8_t>> exchanges = {
        {46, 0, 3}, {41, 0, 2}, {35, 1, 26}, {41, 0, 1}};
    for (const auto& [command, value, data] : exchanges) {
        SCOPED_TRACE(static_cast<int>(command));
        const Bytes request{0x6E, 0xFF, command, value,
                            static_cast<uint8_t>(0u - (0x6Eu + 0xFFu + command + value))};
        ASSERT_EQ(write(line, request.data(), request.size()), 5);
        Bytes answer;
        uint8_t byte = 0;
        for (pollfd ready{line, POLLIN, 0};
             answer.size() < 4 && poll(&ready, 1, 2000) == 1 && read(line, &byte, 1) == 1;) {
            answer.push_back(byte);
        }
        EXPECT_EQ(answer,
                  (Bytes{0x6E, 0xFF, data, static_cast<uint8_t>(0u - (0x6Eu + 0xFFu + data))}));
    }
    EXPECT_EQ(unit.Model().settings.mode, 1);
    EXPECT_EQ(unit.LoggedCommands(), (Bytes{46, 41, 35, 41}));
    close(line);
}

}  // namespace
}  // namespace kavrel::sim
