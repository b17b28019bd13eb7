#pragma once

#include <filesystem>

#include "config/device_settings.h"

namespace kavrel {

class Form;
class Screen;

// What the windows' "Сохранить настройки в файл…" and "Открыть файл настроек…" do below
// their dialogs. A settings file is kavrelctl's profile (config/profile.h).

// Opening a file is a read from it: the form ends as a read of a unit holding `settings`
// leaves it (the mode rule, an unknown mode changing nothing, a list showing no entry for
// a byte it has no item for, strVolume showing the percent), and a write then sends the
// volume byte as given while strVolume still shows its percent.
void ShowOpenedSettings(Form& form, const DeviceSettings& settings);

// What a write of the form would send, each byte as it goes on the wire, and the address
// in either mode.
DeviceSettings SettingsToSave(const Form& form);

// Opens `path` into the form. A file that cannot be used is refused as a whole in one box
// naming the file and the key (or the line and column), and the form stays as it was.
bool OpenSettingsFile(Form& form, Screen& screen, const std::filesystem::path& path);

// Saves the form to `path` once its address text passes the check of a write (whose
// "Внимание!" box it shows otherwise). A file that cannot be written is told in one box,
// and no half-written file is left behind.
bool SaveSettingsFile(const Form& form, Screen& screen, const std::filesystem::path& path);

}  // namespace kavrel
