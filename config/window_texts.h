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

// Settings files, beside wndMain's own controls: its context menu, the dialogs and their
// filter, and the extension the files get.
inline constexpr std::string_view kSaveSettingsItem = "Сохранить настройки в файл…";
inline constexpr std::string_view kOpenSettingsItem = "Открыть файл настроек…";
inline constexpr std::string_view kSaveSettingsDialogTitle = "Сохранить настройки в файл";
inline constexpr std::string_view kOpenSettingsDialogTitle = "Открыть файл настроек";
inline constexpr std::string_view kSettingsFileFilter = "Файлы настроек Kavrel (*.kavrel)";
inline constexpr std::string_view kAllFilesFilter = "Все файлы (*)";
inline constexpr std::string_view kSettingsFileExtension = "kavrel";

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
