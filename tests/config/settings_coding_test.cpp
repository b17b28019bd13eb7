#include <gtest/gtest.h>

#include "config/settings_coding.h"
#include "config/volume.h"

namespace kavrel {
namespace {

TEST(Volume, PercentToByteRoundsExactHalvesToEven) {
    const std::pair<int, int> table[] = {{0, 0},    {1, 3},    {2, 5},    {3, 8},
                                         {10, 26},  {30, 76},  {50, 127}, {70, 178},
                                         {90, 229}, {99, 252}, {100, 255}};
    for (const auto& [percent, byte] : table) {
        EXPECT_EQ(PercentToVolumeByte(percent), byte) << percent << " %";
    }
}

TEST(Volume, ByteToPercent) {
    const std::pair<int, int> table[] = {{0, 0},    {1, 0},    {2, 1},     {26, 10},  {127, 50},
                                         {128, 50}, {229, 90}, {254, 100}, {255, 100}};
    for (const auto& [byte, percent] : table) {
        EXPECT_EQ(VolumeByteToPercent(byte), percent) << "byte " << byte;
    }
}

TEST(Volume, EveryPercentComesBackUnchanged) {
    for (int percent = 0; percent <= 100; ++percent) {
        const int byte = PercentToVolumeByte(percent);
        EXPECT_GE(byte, 0);
        EXPECT_LE(byte, 255);
        EXPECT_EQ(VolumeByteToPercent(byte), percent) << percent << " % -> byte " << byte;
    }
}

TEST(PulseTimeCoding, ItemsAndBytes) {
    EXPECT_EQ(PulseTimeByteFromItem(0), 255);  // "Выкл."
    EXPECT_EQ(PulseTimeByteFromItem(1), 3);
    EXPECT_EQ(PulseTimeByteFromItem(8), 10);
    EXPECT_EQ(PulseTimeByteFromItem(18), 20);
    for (int item = 0; item <= 18; ++item) {
        EXPECT_EQ(PulseTimeItemFromByte(PulseTimeByteFromItem(item)), item);
    }
}

TEST(PulseTimeCoding, BytesOutsideTheListSelectNoItem) {
    for (int byte : {0, 1, 2, 21, 100, 254}) {
        EXPECT_EQ(PulseTimeItemFromByte(byte), -1) << "byte " << byte;
    }
}

TEST(IndicationCoding, OneBitPerBox) {
    EXPECT_EQ(IndicationByte(true, true, false), 3);
    EXPECT_EQ(IndicationByte(true, true, true), 7);
    EXPECT_EQ(IndicationByte(false, false, true), 4);
    EXPECT_EQ(IndicationByte(false, true, false), 2);
    EXPECT_EQ(IndicationByte(false, false, false), 0);
}

}  // namespace
}  // namespace kavrel
