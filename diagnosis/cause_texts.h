#pragma once

// Every cause line the operator reads, in one place. A line names the cause and what to
// do about it; the box it is added to keeps its own text above it.

#include <cstdint>
#include <string>

#include "diagnosis/holder.h"

namespace kavrel::diagnosis::texts {

inline constexpr const char* kRuleNote =
    "за самим компьютером это не нужно, если установлен пакет kavrel-configurator: его "
    "правило udev даёт доступ к кабелю.";

// A name read from the machine (a port, a device's name): its control bytes are not echoed
// into a box.
inline std::string Shown(std::string name) {
    for (char& c : name) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            c = '?';
        }
    }
    return name;
}

inline std::string ProgramWithPid(const Holder& holder) {
    return holder.program + " (PID " + std::to_string(holder.pid) + ")";
}

// No cable found.

inline std::string CableHeldByBrailleService(const std::string& chip, const Holder& brltty) {
    return "Кабель " + chip + " захватила служба брайлевских дисплеев " + ProgramWithPid(brltty) +
           ", поэтому порт для него не появился. Удалите её пакет (sudo apt remove brltty) и "
           "переподключите кабель.";
}

inline std::string CableHeldByProgram(const std::string& chip, const Holder& holder) {
    return "Кабель " + chip + " занят программой " + ProgramWithPid(holder) +
           ", поэтому порт для него не появился. Закройте её (kill " + std::to_string(holder.pid) +
           ") и переподключите кабель.";
}

inline std::string CableHeldByUnseenProgram(const std::string& chip) {
    return "Кабель " + chip +
           " занят другой программой, поэтому порт для него не появился. Закройте программы, "
           "работающие с устройствами USB, и переподключите кабель.";
}

inline std::string CableWithoutDriver(const std::string& chip, const std::string& driver) {
    return "Кабель " + chip + " подключён, но драйвер " + driver +
           " его не обслуживает, поэтому порта нет. Выполните sudo modprobe " + driver +
           " и переподключите кабель.";
}

// Windows names no driver: `driver` is "" there.
inline std::string OtherAdapter(const std::string& product, const std::string& driver,
                                const std::string& port) {
    return "Подключён переходник другого типа" + (product.empty() ? "" : ": " + product) +
           (driver.empty() ? "" : " (драйвер " + driver + ")") + ", порт " + port +
           ". Устройству нужен кабель на микросхеме CH340 или Prolific.";
}

inline const std::string kNoAdapter =
    "Кабель не подключён к компьютеру. Вставьте кабель CH340 или Prolific в разъём USB и "
    "повторите.";

// Windows: the cable is there, but Device Manager shows it with a problem code.

inline std::string CableWithoutWindowsDriver(const std::string& chip) {
    return "Кабель " + chip +
           " подключён, но драйвер для него не установлен, поэтому порта нет (в диспетчере "
           "устройств: код 28). Установите драйвер " +
           chip + " и переподключите кабель.";
}

inline const std::string kProlificChipRefused =
    "Кабель Prolific подключён, но драйвер Prolific не принимает его микросхему (в диспетчере "
    "устройств: код 10); так бывает со старыми микросхемами PL2303HXA/TA и с подделками. "
    "Возьмите кабель CH340 или установите версию драйвера Prolific, которая работает с этой "
    "микросхемой.";

inline std::string CableDisabled(const std::string& chip) {
    return "Кабель " + chip +
           " отключён в диспетчере устройств (код 22). Включите его там («Включить "
           "устройство») и повторите.";
}

inline std::string CableDriverFailed(const std::string& chip, uint32_t code) {
    return "Драйвер кабеля " + chip + " не запустился (в диспетчере устройств: код " +
           std::to_string(code) + "). Переустановите драйвер " + chip + " и переподключите кабель.";
}

// The port does not open.

inline std::string PortNeedsGroup(const std::string& port, const std::string& group,
                                  const std::string& user) {
    return "Нет прав на порт " + port + ": он доступен группе " + group + ", а пользователь " +
           user + " в неё не входит. Выполните sudo usermod -aG " + group + " " + user +
           " и войдите в систему заново; " + kRuleNote;
}

inline std::string PortNeedsNewLogin(const std::string& port, const std::string& group,
                                     const std::string& user) {
    return "Нет прав на порт " + port + ": пользователь " + user + " добавлен в группу " + group +
           " после входа в систему. Выйдите из системы и войдите снова; " + kRuleNote;
}

inline std::string PortForOwnerOnly(const std::string& port) {
    return "Нет прав на порт " + port + ": он доступен только своему владельцу. " +
           "Обратитесь к администратору; " + kRuleNote;
}

inline std::string PortHeldByProgram(const std::string& port, const Holder& holder) {
    return "Порт " + port + " занят программой " + ProgramWithPid(holder) +
           ". Закройте её и повторите.";
}

inline std::string PortProbedByModemManager(const std::string& port, const Holder& holder) {
    return "Порт " + port + " проверяет служба " + ProgramWithPid(holder) +
           ". Подождите несколько секунд и повторите; правило udev из пакета "
           "kavrel-configurator отключает эту проверку.";
}

inline std::string PortBusy(const std::string& port) {
    return "Порт " + port + " занят другой программой. Закройте её и повторите.";
}

inline std::string PortGone(const std::string& port) {
    return "Порт " + port + " пропал: кабель отключили. Подключите кабель и повторите.";
}

}  // namespace kavrel::diagnosis::texts
