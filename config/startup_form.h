#pragma once

#include <array>
#include <string>
#include <vector>

#include "config/form.h"

namespace kavrel::startup {

// What wndMain's setting controls show and hold before any read: slave mode, address 0,
// countdown on red and green, pulse time 10, sound on, signal 1, volume 100 %. Only a read
// changes the sound and volume controls; the operator sees them but never edits them.
struct ControlStart {
    Control control;
    int state;  // checked, or the list item chosen
    bool enabled;
    int valueByte;
};

inline constexpr std::array<ControlStart, 10> kControls{{
    {Control::optSlave, 1, true, 1},
    {Control::optAutonomous, 0, true, 1},
    {Control::strAddress, 0, true, 0},
    {Control::chkCountRed, 1, true, 3},
    {Control::chkCountGreen, 1, true, 3},
    {Control::chkIndicationRuAu, 0, true, 3},
    {Control::chkSoundOff, 0, false, 0},
    {Control::cmbSoundType, 0, false, 1},  // "Сигнал №1"
    {Control::cmbPulseTime, 8, true, 10},  // the item "10"
    {Control::strVolume, 0, false, 100},
}};

// The items of cmbPulseTime ("Выкл.", "3" .. "20") and of cmbSoundType.
std::vector<std::string> PulseTimeItems();
std::vector<std::string> SoundTypeItems();
std::vector<std::string> ListItems(Control list);

// What a control's text reads at start-up: its caption, or a list's chosen item.
std::string Text(Control control);

}  // namespace kavrel::startup
