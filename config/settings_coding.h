#pragma once

namespace kavrel {

// How the device codes its settings in one byte and how those bytes map onto the items
// of wndMain's lists and check boxes.

inline constexpr int kModeSlave = 1;
inline constexpr int kModeAutonomous = 2;

// Indication byte: one bit per check box; other bits travel back to the device untouched.
inline constexpr int kIndicationRedBit = 1;
inline constexpr int kIndicationGreenBit = 2;
inline constexpr int kIndicationRuAuBit = 4;
int IndicationByte(bool red, bool green, bool ruAu);

// Pulse time: item 0 "Выкл." is coded 255, item k ("3".."20") is coded k + 2.
inline constexpr int kPulseTimeOff = 255;
inline constexpr int kPulseTimeMin = 3;
inline constexpr int kPulseTimeMax = 20;
int PulseTimeByteFromItem(int item);
// -1 (no item) for a byte outside 3..20 and 255.
int PulseTimeItemFromByte(int byte);

// Sound type 1..3 is item 0..2; -1 (no item) for any other byte.
int SoundTypeItemFromByte(int byte);

// Sound accompaniment is off exactly when the byte is 1.
inline constexpr int kSoundOff = 1;
inline bool SoundOffChecked(int byte) {
    return byte == kSoundOff;
}

}  // namespace kavrel
