#include "config/settings_coding.h"

namespace kavrel {

namespace {
constexpr int kPulseTimeItemOffset = 2;
constexpr int kSoundTypeCount = 3;
}  // namespace

int IndicationByte(bool red, bool green, bool ruAu) {
    return (red ? kIndicationRedBit : 0) | (green ? kIndicationGreenBit : 0) |
           (ruAu ? kIndicationRuAuBit : 0);
}

int PulseTimeByteFromItem(int item) {
    return item == 0 ? kPulseTimeOff : item + kPulseTimeItemOffset;
}

int PulseTimeItemFromByte(int byte) {
    if (byte == kPulseTimeOff) {
        return 0;
    }
    if (byte < kPulseTimeMin || byte > kPulseTimeMax) {
        return -1;
    }
    return byte - kPulseTimeItemOffset;
}

int SoundTypeItemFromByte(int byte) {
    return byte >= 1 && byte <= kSoundTypeCount ? byte - 1 : -1;
}

}  // namespace kavrel
