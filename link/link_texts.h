#pragma once

#include <string>
#include <string_view>

namespace kavrel::texts {

// Every text of the link that the operator reads.

inline constexpr std::string_view kErrorTitle = "Ошибка";
inline constexpr std::string_view kErrorTitleExclaimed = "Ошибка!";
inline constexpr std::string_view kAttentionTitle = "Внимание";

// The first line of every box about a command that did not go through.
inline constexpr std::string_view kCommandFailed = "Выполнить команду не удалось!!!\n";

inline constexpr std::string_view kNoCable = "Конфигуратор не видит соединительного кабеля.";
// Why no cable could be seen: the port lister had nowhere to write its list.
inline constexpr std::string_view kNoListFolder =
    "Список портов некуда записать: в папку программы писать нельзя, а личную папку "
    "пользователя для него создать не удалось. Дайте пользователю право записи в его "
    "домашнюю папку и повторите.";
inline constexpr std::string_view kPortClosed =
    "COM-порт закрылся во время сеанса. Повторите Сеанс!";
inline constexpr std::string_view kWorkerStuck = "Не удалось завершить поток №";
inline constexpr std::string_view kNoResponse = "Устройство не отвечает";
inline constexpr std::string_view kBadResponse = "Некорректный ответ.Ошибка №";
inline constexpr std::string_view kCancelled = "Операция прервана пользователем";
// Follows the box of a transaction whose port hung up under it.
inline constexpr std::string_view kCableCameOff =
    "Кабель отсоединился во время обмена. Подключите его снова и повторите операцию.";

inline std::string ListerLaunchFailed(std::string_view lister) {
    return "При открытии файла \"" + std::string(lister) + "\" возникла ошибка";
}

}  // namespace kavrel::texts
