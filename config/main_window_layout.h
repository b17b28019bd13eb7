#pragma once

#include <array>
#include <optional>

#include "config/form.h"

namespace kavrel {

// wndMain's 25 controls as every front end creates them: name, kind, caption and place in
// the client area. Creation order is the keyboard focus order: cmbSoundType comes before
// cmbPulseTime although it lies below it.

inline constexpr int kMainClientWidth = 396;
inline constexpr int kMainClientHeight = 278;

enum class ControlKind { Frame, Option, Text, DigitField, CheckBox, Button, List };

struct ControlEntry {
    const char* name;
    ControlKind kind;
    const char* caption;
    int x, y, width, height;
    std::optional<Control> control;  // none for frames and captions: no handler reaches them
};

inline constexpr std::array<ControlEntry, 25> kMainWindowControls{{
    {"frmMode", ControlKind::Frame, "Режим", 5, 5, 110, 100, std::nullopt},
    {"optSlave", ControlKind::Option, "Ведомый", 14, 26, 90, 17, Control::optSlave},
    {"optAutonomous", ControlKind::Option, "Автономный", 14, 49, 90, 17, Control::optAutonomous},
    {"lblAddress", ControlKind::Text, "Адрес", 124, 23, 45, 15, std::nullopt},
    {"strAddress", ControlKind::DigitField, "0", 174, 24, 35, 15, Control::strAddress},
    {"frmIndication", ControlKind::Frame, "Индикация", 120, 5, 165, 100, std::nullopt},
    {"chkCountRed", ControlKind::CheckBox, "Вкл.отсчет по красному", 125, 45, 155, 14,
     Control::chkCountRed},
    {"chkCountGreen", ControlKind::CheckBox, "Вкл.отсчет по зеленому", 125, 65, 155, 14,
     Control::chkCountGreen},
    {"chkIndicationRuAu", ControlKind::CheckBox, "Вкл.индикацию 'РУ' и 'АУ'", 125, 85, 155, 14,
     Control::chkIndicationRuAu},
    {"frmTest", ControlKind::Frame, "Тест", 290, 5, 100, 100, std::nullopt},
    {"btnTest", ControlKind::Button, "Тест", 300, 25, 84, 20, Control::btnTest},
    {"btnReset", ControlKind::Button, "Сброс", 300, 50, 84, 20, Control::btnReset},
    {"frmLink", ControlKind::Frame, "Связь", 290, 110, 99, 164, std::nullopt},
    {"btnWrite", ControlKind::Button, "Запись", 300, 130, 84, 19, Control::btnWrite},
    {"btnRead", ControlKind::Button, "Чтение", 300, 155, 84, 19, Control::btnRead},
    {"btnInfo", ControlKind::Button, "Инф", 300, 180, 84, 19, Control::btnInfo},
    {"btnAbout", ControlKind::Button, "О программе", 300, 205, 84, 19, Control::btnAbout},
    {"frmSound", ControlKind::Frame, "Звук", 5, 110, 281, 164, std::nullopt},
    {"lblPulseTime", ControlKind::Text, "Время перехода на частые звук.импульсы", 10, 125, 220, 15,
     std::nullopt},
    {"chkSoundOff", ControlKind::CheckBox, "Отключить звуковое сопровождение", 10, 165, 215, 15,
     Control::chkSoundOff},
    {"lblSoundType", ControlKind::Text, "Вид звукового сопровождения", 10, 185, 166, 14,
     std::nullopt},
    {"cmbSoundType", ControlKind::List, "", 10, 200, 87, 20, Control::cmbSoundType},
    {"cmbPulseTime", ControlKind::List, "", 10, 140, 87, 20, Control::cmbPulseTime},
    {"lblVolume", ControlKind::Text, "Громкость", 10, 230, 166, 14, std::nullopt},
    {"strVolume", ControlKind::DigitField, "100", 15, 250, 35, 15, Control::strVolume},
}};

}  // namespace kavrel
