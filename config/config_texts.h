#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "link/link_texts.h"

namespace kavrel::texts {

// Every text of the device operations that the operator reads. The boxes of a failed
// transaction and of the cable search are the link's (link/link_texts.h).

inline constexpr std::string_view kInvalidAddressTitle = "Внимание!";
inline constexpr std::string_view kInvalidAddress =
    "Запись невозможна.\nУстановлен некорректный адрес\nИсправьте ошибки и повторите.";

inline constexpr std::string_view kRefusedTitle = "Ошибка";
// The link's first line of a command that did not go through, then why.
inline std::string Refused() {
    return std::string(kCommandFailed) + "Устройство отклонило команду";
}

inline constexpr std::string_view kIncompatibleTitle = "Ошибка";
inline std::string Incompatible(int deviceClass, int configuratorClass) {
    return "Конфигуратор не совместим с устройством! Класс уст. " + std::to_string(deviceClass) +
           ",а класс конфигуратора " + std::to_string(configuratorClass);
}

inline constexpr std::string_view kVerificationTitle = "Ошибка!";
inline constexpr std::string_view kVerificationFailed = "Ошибка верификации EEPROM";

// Settings files: the box names the file on its second line and the cause on its third.
inline constexpr std::string_view kSettingsFileTitle = "Ошибка";
inline constexpr std::string_view kCannotOpenSettingsFile = "Открыть файл настроек невозможно.";
inline constexpr std::string_view kCannotSaveSettingsFile = "Сохранить файл настроек невозможно.";
inline constexpr std::string_view kFileUnreadable = "Файл не читается.";
inline std::string FileBroken(int line, int column) {
    return "Файл повреждён: строка " + std::to_string(line) + ", позиция " +
           std::to_string(column) + ".";
}
inline constexpr std::string_view kNotSettingsFile = "Это не файл настроек.";
inline std::string UnknownKey(const std::string& key) {
    return "Неизвестный параметр \"" + key + "\".";
}
inline std::string MissingKey(const std::string& key) {
    return "Нет параметра \"" + key + "\".";
}
inline std::string WrongValue(const std::string& key) {
    return "Недопустимое значение параметра \"" + key + "\".";
}
inline constexpr std::string_view kIndicationTwice =
    "Параметр \"indication\" задан вместе с \"count_red\", \"count_green\" и "
    "\"indication_ru_au\".";
inline constexpr std::string_view kNoWritePermission = "Нет прав на запись в эту папку.";
inline constexpr std::string_view kNoDiskSpace = "На диске нет места.";
inline constexpr std::string_view kFileNotWritten = "Файл не записан.";

}  // namespace kavrel::texts
