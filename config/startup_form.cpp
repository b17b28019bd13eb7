#include "config/startup_form.h"

#include "config/main_window_layout.h"
#include "config/settings_coding.h"

namespace kavrel::startup {

std::vector<std::string> PulseTimeItems() {
    std::vector<std::string> items{"Выкл."};
    for (int pulseTimeByte = kPulseTimeMin; pulseTimeByte <= kPulseTimeMax; ++pulseTimeByte) {
        items.push_back(std::to_string(pulseTimeByte));
    }
    return items;
}

std::vector<std::string> SoundTypeItems() {
    return {"Сигнал №1", "Сигнал №2", "Сигнал №3"};
}

std::vector<std::string> ListItems(Control list) {
    return list == Control::cmbPulseTime   ? PulseTimeItems()
           : list == Control::cmbSoundType ? SoundTypeItems()
                                           : std::vector<std::string>{};
}

std::string Text(Control control) {
    for (const ControlEntry& entry : kMainWindowControls) {
        if (entry.control != control) {
            continue;
        }
        if (entry.kind != ControlKind::List) {
            return entry.caption;
        }
        for (const ControlStart& start : kControls) {
            if (start.control == control) {
                return ListItems(control).at(static_cast<size_t>(start.state));
            }
        }
    }
    return "";
}

}  // namespace kavrel::startup
