#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "config/address_input.h"
#include "config/operations.h"
#include "tests/support/memory_ui.h"

namespace kavrel {
namespace {

constexpr int64_t kSaturated = std::numeric_limits<int64_t>::max();

TEST(ReadAddressNumber, Forms) {
    const struct {
        std::string text;
        int64_t number;
    } table[] = {
        {"", 0},
        {"abc", 0},
        {"0", 0},
        {"17", 17},
        {"007", 7},
        {"254", 254},
        {"255", 255},
        {"300", 300},
        {"  \t42", 42},
        {"+5", 5},
        {"-5", -5},
        {"12ab", 12},
        {"1 2", 1},
        {"$ff", 255},
        {"$1A", 26},
        {"$", 0},
        {"%101", 5},
        {"%102", 2},
        {"-$10", -16},
        {"99999999999999999999999", kSaturated},
        {"$ffffffffffffffffffff", kSaturated},
        {"-99999999999999999999999", -kSaturated},
    };
    for (const auto& row : table) {
        EXPECT_EQ(ReadAddressNumber(row.text), row.number) << '"' << row.text << '"';
    }
}

TEST(CheckAddressInput, ValueByteFollowsTheText) {
    const std::pair<std::string, int> table[] = {
        {"0", 0},     {"17", 17},    {"254", 254},
        {"255", 255}, {"300", 255},  {"", 0},
        {"-1", 255},  {"-256", 255}, {"99999999999999999999", 255},
    };
    testing::MemoryUi ui;
    for (const auto& [text, valueByte] : table) {
        ui.SetValueByte(Control::strAddress, 99);
        ui.SetText(Control::strAddress, text);
        CheckAddressInput(ui);
        EXPECT_EQ(ui.ValueByte(Control::strAddress), valueByte) << '"' << text << '"';
    }
    EXPECT_TRUE(ui.messages.empty());
}

TEST(ValidateBeforeWrite, PassesAddressesUpTo254) {
    testing::MemoryUi ui;
    for (const char* text : {"0", "", "254", "  17"}) {
        ui.SetText(Control::strAddress, text);
        EXPECT_TRUE(ValidateBeforeWrite(ui)) << '"' << text << '"';
    }
    EXPECT_TRUE(ui.messages.empty());
}

TEST(ValidateBeforeWrite, WarnsOfAddressesOutOfRange) {
    for (const char* text : {"255", "300", "-1", "99999999999999999999"}) {
        testing::MemoryUi ui;
        ui.SetText(Control::strAddress, text);
        EXPECT_FALSE(ValidateBeforeWrite(ui)) << '"' << text << '"';
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].icon, MessageIcon::Warning);
        EXPECT_EQ(ui.messages[0].title, "Внимание!");
        EXPECT_EQ(ui.messages[0].text,
                  "Запись невозможна.\nУстановлен некорректный адрес\nИсправьте ошибки и "
                  "повторите.");
    }
}

}  // namespace
}  // namespace kavrel
