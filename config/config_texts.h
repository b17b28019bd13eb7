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

}  // namespace kavrel::texts
