// How the volume percent and the address text of the form become device bytes.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "config/address_input.h"
#include "config/operations.h"
#include "config/volume.h"
#include "tests/support/memory_ui.h"

namespace kavrel {
namespace {

TEST(Volume, PercentAndByteConvertBothWaysAndEveryPercentComesBack) {
    const std::pair<int, int> table[] = {{0, 0},    {10, 26},  {30, 76},  {50, 127},
                                         {70, 178}, {90, 229}, {100, 255}};
    for (const auto& [percent, byte] : table) {
        EXPECT_EQ(PercentToVolumeByte(percent), byte) << percent << " %";
    }
    for (const auto& [byte, percent] : {std::pair{1, 0}, {2, 1}, {128, 50}, {255, 100}}) {
        EXPECT_EQ(VolumeByteToPercent(byte), percent) << "byte " << byte;
    }
    for (int percent = 0; percent <= 100; ++percent) {
        EXPECT_EQ(VolumeByteToPercent(PercentToVolumeByte(percent)), percent) << percent << " %";
    }
}

TEST(AddressInput, NumberReadFromTheTextAndTheValueByteItGives) {
    // Numbers too large saturate.
    const std::string big = "99999999999999999999", bigHex = "$fffffffffffffffff";
    constexpr int64_t kMax = INT64_MAX;
    const struct {
        std::string text;
        int64_t number;
        int valueByte;  // 255 for anything that is no address
    } table[] = {{"", 0, 0},         {"abc", 0, 0},      {"$", 0, 0},       {" \t42", 42, 42},
                 {"+5", 5, 5},       {"12ab", 12, 12},   {"$ff", 255, 255}, {"%101", 5, 5},
                 {"%102", 2, 2},     {"254", 254, 254},  {"255", 255, 255}, {"300", 300, 255},
                 {"-1", -1, 255},    {"-$10", -16, 255}, {big, kMax, 255},  {"-" + big, -kMax, 255},
                 {bigHex, kMax, 255}};
    testing::MemoryUi ui;
    for (const auto& row : table) {
        SCOPED_TRACE('"' + row.text + '"');
        EXPECT_EQ(ReadAddressNumber(row.text), row.number);
        ui.SetValueByte(Control::strAddress, 99);
        ui.SetText(Control::strAddress, row.text);
        CheckAddressInput(ui);
        EXPECT_EQ(ui.ValueByte(Control::strAddress), row.valueByte);
    }
}

}  // namespace
}  // namespace kavrel
