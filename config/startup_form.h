#pragma once

#include <array>
#include <utility>

#include "config/form.h"

namespace kavrel::startup {

// What wndMain shows and holds before any read: slave mode, address 0, countdown on red and
// green, pulse time 10, sound on, signal 1, volume 100 %.
inline constexpr int kModeByte = 1;
inline constexpr int kAddressByte = 0;
inline constexpr int kIndicationByte = 3;
inline constexpr int kPulseTimeByte = 10;
inline constexpr int kPulseTimeItem = 8;  // the item "10"
inline constexpr int kSoundOffByte = 0;
inline constexpr int kSoundTypeByte = 1;
inline constexpr int kSoundTypeItem = 0;  // "Сигнал №1"
inline constexpr int kVolumePercent = 100;

// The value byte each setting control holds at start-up.
inline constexpr std::array<std::pair<Control, int>, 10> kValueBytes{{
    {Control::optSlave, kModeByte},
    {Control::optAutonomous, kModeByte},
    {Control::strAddress, kAddressByte},
    {Control::chkCountRed, kIndicationByte},
    {Control::chkCountGreen, kIndicationByte},
    {Control::chkIndicationRuAu, kIndicationByte},
    {Control::cmbPulseTime, kPulseTimeByte},
    {Control::chkSoundOff, kSoundOffByte},
    {Control::cmbSoundType, kSoundTypeByte},
    {Control::strVolume, kVolumePercent},
}};

}  // namespace kavrel::startup
