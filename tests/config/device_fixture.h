#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "link/device_link.h"
#include "tests/support/memory_ui.h"
#include "tools/kavrel-sim/simulated_unit.h"

namespace kavrel::testing {

// A simulated unit on a pseudo-terminal behind a program folder whose port list names it as
// a CH340 cable (the lister there does nothing), the form in memory and the device link.
class DeviceFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "kavrel-config-XXXXXX");
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
        std::ofstream(folder_ / "listport.txt")
            << "Communications Port (/dev/ttyS0)\r\nUSB-SERIAL CH340 (" << unit.SlavePath()
            << ")\r\n";
        const auto lister = folder_ / "Zorvik";
        std::ofstream(lister) << "#!/bin/sh\nexit 0\n";
        std::filesystem::permissions(lister, std::filesystem::perms::owner_all);
        link = std::make_unique<DeviceLink>(ui, folder_.string() + "/");
    }

    void TearDown() override {
        link.reset();
        std::filesystem::remove_all(folder_);
    }

    void SetDevice(const sim::Settings& settings, uint8_t deviceClass = 2,
                   uint8_t firmwareVersion = 7) {
        unit.SetModel({settings, deviceClass, firmwareVersion});
    }

    // The command and value byte of every request the unit received, in order.
    std::vector<std::pair<int, int>> Requests() const {
        std::vector<std::pair<int, int>> requests;
        for (const sim::LoggedRequest& request : unit.Log()) {
            requests.emplace_back(request.command, request.value);
        }
        return requests;
    }
    std::vector<int> Commands() const {
        std::vector<int> commands;
        for (uint8_t command : unit.LoggedCommands()) {
            commands.push_back(command);
        }
        return commands;
    }

    // Every operation ends its session: the exchange window is gone.
    void ExpectSessionEnded() const {
        EXPECT_FALSE(ui.exchangeWindowOpen);
        EXPECT_EQ(ui.exchangeWindowOpenings, 1);
    }

    sim::SimulatedUnit unit;
    MemoryUi ui;
    std::unique_ptr<DeviceLink> link;

  private:
    std::filesystem::path folder_;
};

inline constexpr const char* kRefusalText =
    "Выполнить команду не удалось!!!\nУстройство отклонило команду";

inline std::string ClassMismatchText(int deviceClass) {
    return "Конфигуратор не совместим с устройством! Класс уст. " + std::to_string(deviceClass) +
           ",а класс конфигуратора 2";
}

}  // namespace kavrel::testing
