#pragma once

#include <array>
#include <string>
#include <string_view>

#include "config/commands.h"
#include "config/form.h"

namespace kavrel::texts {

// The texts of the windows every front end shows (wndMain's controls are in
// main_window_layout.h).

inline constexpr std::string_view kMainWindowTitle = "Конфигуратор Kavrel V2.4";
inline constexpr std::string_view kExchangeWindowTitle = "Обмен данными";
inline constexpr std::string_view kInfoWindowTitle = "Информация об устройстве";
inline constexpr std::string_view kAboutWindowTitle = "О программе...";

// wndInfo's rows: the caption, the value label beside it (its name and control), and the
// row's top.
struct InfoRow {
    const char* caption;
    const char* valueName;
    Control value;
    int y;
};
inline constexpr std::array<InfoRow, 4> kInfoRows{{
    {"Версия микропрограммы устройства", "lblFirmwareVersion", Control::lblFirmwareVersion, 16},
    {"Класс совместимости устройства", "lblDeviceClass", Control::lblDeviceClass, 41},
    {"Версия программы конфигуратора", "lblConfiguratorVersion", Control::lblConfiguratorVersion,
     66},
    {"Класс совместимости конфигуратора", "lblConfiguratorClass", Control::lblConfiguratorClass,
     91},
}};

// wndAbout's text, a line each.
inline std::array<std::string, 7> AboutLines() {
    return {"Программа: Конфигуратор Kavrel",
            "Версия: " + std::string(CONFIGURATOR_VERSION),
            "Класс : " + std::to_string(CONFIGURATOR_CLASS),
            "     +7 (000) 000-00-00",
            "     email: info@kavrel.example",
            "     www.kavrel.example",
            "Городок      2019"};
}

}  // namespace kavrel::texts
