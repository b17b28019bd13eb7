#include "tests/soak/soak_scenario.h"

#include <algorithm>
#include <sstream>

#include "config/commands.h"
#include "config/volume.h"
#include "tools/kavrel-sim/unit_protocol.h"

namespace kavrel::soak {

namespace {

using sim::FaultKind;

const std::string kFailed = "Выполнить команду не удалось!!!\n";
const Box kNoCable{"Ошибка", kFailed + "Конфигуратор не видит соединительного кабеля."};
const Box kNoLister{"Ошибка!", "При открытии файла \"Zorvik\" возникла ошибка"};
const Box kRefused{"Ошибка", kFailed + "Устройство отклонило команду"};
const Box kBadAddress{"Внимание!",
                      "Запись невозможна.\nУстановлен некорректный адрес\nИсправьте ошибки и "
                      "повторите."};
const Box kVerification{"Ошибка!", "Ошибка верификации EEPROM"};

constexpr int kAttempts = 3;
constexpr int kAnswerWindowMs = 500;

Box TransactionBox(int code) {
    switch (code) {
        case 1:
            return {"Ошибка", kFailed + "COM-порт закрылся во время сеанса. Повторите Сеанс!"};
        case 4:
            return {"Ошибка", kFailed + "Устройство не отвечает"};
        case 8:
            return {"Внимание", kFailed + "Операция прервана пользователем"};
        default:
            return {"Ошибка", kFailed + "Некорректный ответ.Ошибка №" + std::to_string(code)};
    }
}

Box ClassMismatch(int deviceClass) {
    return {"Ошибка", "Конфигуратор не совместим с устройством! Класс уст. " +
                          std::to_string(deviceClass) + ",а класс конфигуратора 2"};
}

// An address text as the operator typed it: decimal digits only here.
std::optional<int> AddressOf(const std::string& text) {
    if (text.empty()) {
        return 0;
    }
    if (text.size() > 3 || !std::all_of(text.begin(), text.end(), ::isdigit)) {
        return std::nullopt;
    }
    const int number = std::stoi(text);
    return number <= 254 ? std::optional(number) : std::nullopt;
}

// Walks the operation request by request, as the unit and the configurator meet.
class Walk {
  public:
    explicit Walk(const Scenario& scenario)
        : scenario_(scenario), model_(scenario.model), fault_(scenario.fault) {}

    Expectation Run() {
        switch (scenario_.operation) {
            case Operation::Read:
                Read();
                break;
            case Operation::Write:
                Write();
                break;
            case Operation::Info:
                Info();
                break;
            case Operation::Test:
                Action(CMD_TEST);
                break;
            case Operation::Reset:
                Action(CMD_RESET);
                break;
        }
        return std::move(expected_);
    }

  private:
    // The cable link: false when it is missing (its boxes already expected).
    bool OpenLink() {
        switch (scenario_.link) {
            case LinkFault::NoCable:
                expected_.boxes.push_back(kNoCable);
                return false;
            case LinkFault::NoLister:
                expected_.boxes.push_back(kNoLister);
                expected_.boxes.push_back(kNoCable);
                return false;
            case LinkFault::None:
                portOpen_ = true;
                return true;
            default:
                portOpen_ = false;  // the name was found but does not open
                return true;
        }
    }

    // One transaction: the data byte, or nothing after its box.
    std::optional<uint8_t> Transact(uint8_t command, uint8_t value) {
        int code = 0;
        for (int attempt = 1; attempt <= kAttempts; ++attempt) {
            if (++polls_ == scenario_.cancelAtPoll) {
                code = 8;
                break;
            }
            if (!portOpen_) {
                code = 1;
                continue;
            }
            if (lineDead_) {
                code = 4;  // the request reaches nobody
                continue;
            }
            expected_.wire.emplace_back(command, value);
            const auto [attemptCode, data] = Answer(command, value);
            if (attemptCode == 0) {
                return data;
            }
            code = attemptCode;
        }
        expected_.boxes.push_back(TransactionBox(code));
        return std::nullopt;
    }

    // How the unit answers one request, with the fault (if it applies) used up by one.
    std::pair<int, uint8_t> Answer(uint8_t command, uint8_t value) {
        FaultKind kind = FaultKind::Delay;
        int param = 0;
        if (fault_ && fault_->times != 0 &&
            (fault_->command == sim::kAnyCommand || fault_->command == command) &&
            (fault_->kind != FaultKind::Refuse || sim::IsAcknowledged(command)) &&
            (fault_->kind != FaultKind::ReadBackDiffers || sim::IsSettingRead(command))) {
            kind = fault_->kind;
            param = fault_->param;
            if (fault_->times > 0) {
                --fault_->times;
            }
        }
        if (kind == FaultKind::Refuse) {
            return {0, static_cast<uint8_t>(param)};
        }
        const uint8_t data = sim::Answer(model_, command, value).value_or(0);
        switch (kind) {
            case FaultKind::PullCable:
                lineDead_ = true;
                return {4, 0};
            case FaultKind::NoAnswer:
                return {4, 0};
            case FaultKind::Delay:
                return {param > kAnswerWindowMs ? 4 : 0, data};
            case FaultKind::BadStartByte:
            case FaultKind::Noise:
                return {5, 0};
            case FaultKind::BadChecksum:
                return {6, 0};
            case FaultKind::OneByte:
                return {7, 0};
            case FaultKind::ReadBackDiffers:
                return {0, static_cast<uint8_t>(data + 1)};
            default:  // over-long frames check; split and stale bytes cost one attempt at most
                return {0, data};
        }
    }

    bool Acknowledged(uint8_t command, uint8_t value) {
        const auto answer = Transact(command, value);
        if (answer && *answer != ACK_VALUE) {
            expected_.boxes.push_back(kRefused);
        }
        return answer == ACK_VALUE;
    }

    bool Compatible() {
        const auto deviceClass = Transact(CMD_GET_CLASS, kFetchValue);
        if (deviceClass && *deviceClass != CONFIGURATOR_CLASS) {
            expected_.boxes.push_back(ClassMismatch(*deviceClass));
        }
        return deviceClass == CONFIGURATOR_CLASS;
    }

    void Read() {
        if (!OpenLink() || !Compatible() || !Transact(CMD_BEGIN_READ, kFetchValue)) {
            return;
        }
        std::vector<std::pair<Control, int>> shown;
        const std::pair<uint8_t, Control> steps[] = {
            {CMD_GET_MODE, Control::optSlave},          {CMD_GET_ADDRESS, Control::strAddress},
            {CMD_GET_INDICATION, Control::chkCountRed}, {CMD_GET_PULSE_TIME, Control::cmbPulseTime},
            {CMD_GET_SOUND_OFF, Control::chkSoundOff},  {CMD_GET_SOUND_TYPE, Control::cmbSoundType},
            {CMD_GET_VOLUME, Control::strVolume}};
        for (const auto& [command, control] : steps) {
            const auto answer = Transact(command, kFetchValue);
            if (!answer) {
                return;
            }
            if (control == Control::strVolume) {
                shown.emplace_back(control, VolumeByteToPercent(*answer));
            } else if (control != Control::optSlave || *answer == 1 || *answer == 2) {
                shown.emplace_back(control, *answer);
            }
        }
        expected_.valueBytes = std::move(shown);
    }

    void Write() {
        const Form& form = scenario_.form;
        const std::optional<int> address = AddressOf(form.addressText);
        if (!address) {
            expected_.boxes.push_back(kBadAddress);
            return;
        }
        if (!OpenLink() || !Compatible()) {
            return;
        }
        const bool slave = form.mode == 1;
        const int volumeByte = PercentToVolumeByte(form.volumePercent);
        struct Setting {
            uint8_t set, get;
            int value;
            bool applies;
            bool volume;
        };
        const Setting settings[] = {
            {CMD_SET_MODE, CMD_GET_MODE, form.mode, true, false},
            {CMD_SET_ADDRESS, CMD_GET_ADDRESS, *address, slave, false},
            {CMD_SET_INDICATION, CMD_GET_INDICATION, form.indication, true, false},
            {CMD_SET_PULSE_TIME, CMD_GET_PULSE_TIME, form.pulseTime, true, false},
            {CMD_SET_SOUND_OFF, CMD_GET_SOUND_OFF, form.soundOff, true, false},
            {CMD_SET_SOUND_TYPE, CMD_GET_SOUND_TYPE, form.soundType, true, false},
            {CMD_SET_VOLUME, CMD_GET_VOLUME, volumeByte, true, true},
        };
        for (const Setting& s : settings) {
            if (s.applies && !Acknowledged(s.set, static_cast<uint8_t>(s.value))) {
                return;
            }
        }
        if (!Acknowledged(CMD_COMMIT, kCommitValue)) {
            return;
        }
        for (const Setting& s : settings) {
            if (!s.applies) {
                continue;
            }
            const auto readBack = Transact(s.get, kFetchValue);
            if (!readBack) {
                return;
            }
            const bool same = s.volume ? VolumeByteToPercent(*readBack) == form.volumePercent
                                       : *readBack == s.value;
            if (!same) {
                expected_.boxes.push_back(kVerification);
                return;
            }
        }
        expected_.stored = model_.settings;
    }

    void Info() {
        if (!OpenLink()) {
            return;
        }
        const auto version = Transact(CMD_GET_VERSION, kFetchValue);
        const auto deviceClass = version ? Transact(CMD_GET_CLASS, kFetchValue) : std::nullopt;
        if (deviceClass) {
            expected_.info = {{*version, *deviceClass}};
        }
    }

    void Action(uint8_t command) {
        if (OpenLink() && Compatible()) {
            Acknowledged(command, kActionValue);
        }
    }

    const Scenario& scenario_;
    sim::DeviceModel model_;
    std::optional<sim::Fault> fault_;
    Expectation expected_;
    bool portOpen_ = false;
    bool lineDead_ = false;
    int polls_ = 0;
};

// The commands an operation sends when nothing goes wrong (a slave's write sends them all).
std::vector<uint8_t> CommandsOf(Operation operation) {
    Scenario plain;
    plain.operation = operation;
    std::vector<uint8_t> commands;
    for (const auto& [command, value] : Walk(plain).Run().wire) {
        commands.push_back(command);
    }
    return commands;
}

int Pick(std::mt19937& random, int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(random);
}

bool Chance(std::mt19937& random, double p) {
    return std::bernoulli_distribution(p)(random);
}

template <typename T, size_t N>
T PickOf(std::mt19937& random, const T (&items)[N]) {
    return items[Pick(random, 0, static_cast<int>(N) - 1)];
}

uint8_t Byte(std::mt19937& random) {
    return static_cast<uint8_t>(Pick(random, 0, 255));
}

sim::DeviceModel DrawModel(std::mt19937& random) {
    sim::DeviceModel model;
    sim::Settings& s = model.settings;
    s.mode = Chance(random, 0.05) ? 3 : static_cast<uint8_t>(Pick(random, 1, 2));
    s.address = static_cast<uint8_t>(Pick(random, 0, 254));
    s.indication = Byte(random);
    s.pulseTime = Chance(random, 0.1) ? Byte(random) : static_cast<uint8_t>(Pick(random, 2, 20));
    s.soundOff = static_cast<uint8_t>(Pick(random, 0, 2));
    s.soundType = static_cast<uint8_t>(Chance(random, 0.1) ? Byte(random) : Pick(random, 1, 3));
    s.volume = Byte(random);
    model.deviceClass = Chance(random, 0.05) ? 3 : 2;
    model.firmwareVersion = Byte(random);
    return model;
}

Form DrawForm(std::mt19937& random) {
    Form form;
    form.mode = Pick(random, 1, 2);
    static const char* const kBadAddresses[] = {"255", "300", "999", "-5",
                                                "1234567890123456789012345678901234567890"};
    form.addressText = Chance(random, 0.08)   ? PickOf(random, kBadAddresses)
                       : Chance(random, 0.05) ? ""
                                              : std::to_string(Pick(random, 0, 254));
    form.indication = Byte(random);
    form.pulseTime = Chance(random, 0.2) ? 255 : Pick(random, 3, 20);
    form.soundOff = Pick(random, 0, 2);
    form.soundType = Pick(random, 1, 3);
    form.volumePercent = Pick(random, 0, 100);
    return form;
}

// Faults whose every outcome is fixed by the protocol, or (split, stale bytes) whose
// attempts only are left to timing. Late answers come either well inside the 500 ms
// window or long after the whole operation.
sim::Fault DrawFault(std::mt19937& random, const std::vector<uint8_t>& commands) {
    sim::Fault fault;
    fault.command = Chance(random, 0.25) ? sim::kAnyCommand
                                         : commands[Pick(random, 0, int(commands.size()) - 1)];
    static const FaultKind kKinds[] = {
        FaultKind::NoAnswer,        FaultKind::Delay,       FaultKind::Split,
        FaultKind::BadStartByte,    FaultKind::BadChecksum, FaultKind::OneByte,
        FaultKind::OverLong,        FaultKind::StaleAfter,  FaultKind::Refuse,
        FaultKind::ReadBackDiffers, FaultKind::Noise,       FaultKind::PullCable};
    fault.kind = PickOf(random, kKinds);
    static const int kTimes[] = {1, 2, -1};
    fault.times = PickOf(random, kTimes);
    switch (fault.kind) {
        case FaultKind::Delay:
            fault.param = Chance(random, 0.7) ? Pick(random, 0, 250) : 3000;
            if (fault.param > kAnswerWindowMs) {
                fault.times = -1;
            }
            break;
        case FaultKind::Split:  // the tail 5..8 ms on: joined only on a stalled machine
        case FaultKind::StaleAfter:
            fault.param =
                fault.kind == FaultKind::Split ? Pick(random, 5, 8) : Pick(random, 1, 100);
            fault.times = 1;
            if (fault.command == sim::kAnyCommand) {
                fault.command = commands.front();
            }
            break;
        case FaultKind::OverLong:
            fault.param = Pick(random, 91, 200);
            break;
        case FaultKind::Refuse:
            fault.param = Byte(random);
            if (fault.param == ACK_VALUE) {
                fault.param = 0;
            }
            break;
        case FaultKind::Noise:
            fault.param = Chance(random, 0.5) ? 90 : Pick(random, 1, 200);
            break;
        case FaultKind::PullCable:
            fault.startDelay = Pick(random, 0, 300);
            break;
        default:
            break;
    }
    return fault;
}

}  // namespace

bool Scenario::AttemptsDependOnTiming() const {
    return fault && (fault->kind == FaultKind::Split || fault->kind == FaultKind::StaleAfter);
}

Scenario DrawScenario(std::mt19937& random) {
    Scenario s;
    static const Operation kOperations[] = {Operation::Read,  Operation::Read, Operation::Write,
                                            Operation::Write, Operation::Info, Operation::Test,
                                            Operation::Reset};
    s.operation = PickOf(random, kOperations);
    s.model = DrawModel(random);
    s.form = DrawForm(random);
    const double draw = std::uniform_real_distribution<double>(0, 1)(random);
    if (draw < 0.50) {
        s.fault = DrawFault(random, CommandsOf(s.operation));
    } else if (draw < 0.62) {
        static const LinkFault kLinks[] = {LinkFault::NoCable,    LinkFault::NoLister,
                                           LinkFault::PortIsFile, LinkFault::PortIsFolder,
                                           LinkFault::PortIsFifo, LinkFault::PortIsNull,
                                           LinkFault::PortBusy};
        s.link = PickOf(random, kLinks);
    }
    // The operator may press "Отмена" too, unless timing decides how many attempts there are.
    if (Chance(random, 0.12) && !s.AttemptsDependOnTiming()) {
        s.cancelAtPoll = Pick(random, 1, 12);
    }
    return s;
}

Expectation Predict(const Scenario& scenario) {
    return Walk(scenario).Run();
}

const char* Name(Operation operation) {
    static const char* const kNames[] = {"read", "write", "info", "test", "reset"};
    return kNames[static_cast<int>(operation)];
}

const char* Name(LinkFault link) {
    static const char* const kNames[] = {"none",         "no-cable",       "no-lister",
                                         "port-is-file", "port-is-folder", "port-is-fifo",
                                         "port-is-null", "port-busy"};
    return kNames[static_cast<int>(link)];
}

const char* Name(FaultKind kind) {
    static const char* const kNames[] = {
        "no-answer", "delay",       "split",  "bad-start",         "bad-checksum", "one-byte",
        "over-long", "stale-after", "refuse", "read-back-differs", "noise",        "pull-cable"};
    return kNames[static_cast<int>(kind)];
}

std::string Scenario::Describe() const {
    std::ostringstream out;
    out << Name(operation) << ", class " << int(model.deviceClass) << ", mode "
        << int(model.settings.mode);
    if (fault) {
        out << ", fault " << Name(fault->kind) << " on "
            << (fault->command == sim::kAnyCommand ? std::string("any")
                                                   : std::to_string(fault->command))
            << " param " << fault->param << " times " << fault->times << " after "
            << fault->startDelay << " ms";
    }
    if (link != LinkFault::None) {
        out << ", link " << Name(link);
    }
    if (cancelAtPoll > 0) {
        out << ", cancel at attempt " << cancelAtPoll;
    }
    if (operation == Operation::Write) {
        out << ", form mode " << form.mode << " address '" << form.addressText << "'";
    }
    return out.str();
}

std::string Describe(const std::vector<Box>& boxes) {
    std::string text = "[";
    for (const Box& box : boxes) {
        std::string line = box.title + ": " + box.text;
        std::replace(line.begin(), line.end(), '\n', '|');
        text += (text.size() > 1 ? "; " : "") + line;
    }
    return text + "]";
}

std::string Describe(const std::vector<Request>& wire) {
    std::string text;
    for (const auto& [command, value] : wire) {
        text += (text.empty() ? "" : " ") + std::to_string(command) + ":" + std::to_string(value);
    }
    return "[" + text + "]";
}

}  // namespace kavrel::soak
