#include "config/settings_file.h"

#include <string>

#include "config/address_input.h"
#include "config/config_texts.h"
#include "config/form.h"
#include "config/profile.h"
#include "config/profile_file.h"
#include "config/settings_table.h"
#include "link/screen.h"

namespace kavrel {

namespace {

std::string WhyRefused(const ProfileFault& fault) {
    switch (fault.kind) {
        case ProfileFault::Kind::NotJson:
            return texts::FileBroken(fault.line, fault.column);
        case ProfileFault::Kind::NotObject:
            return std::string(texts::kNotSettingsFile);
        case ProfileFault::Kind::UnknownKey:
            return texts::UnknownKey(fault.key);
        case ProfileFault::Kind::MissingKey:
            return texts::MissingKey(fault.key);
        case ProfileFault::Kind::WrongValue:
            return texts::WrongValue(fault.key);
        case ProfileFault::Kind::IndicationTwice:
            return std::string(texts::kIndicationTwice);
    }
    return {};
}

std::string WhyNotWritten(FileWriteFault fault) {
    switch (fault) {
        case FileWriteFault::NoPermission:
            return std::string(texts::kNoWritePermission);
        case FileWriteFault::NoSpace:
            return std::string(texts::kNoDiskSpace);
        default:
            return std::string(texts::kFileNotWritten);
    }
}

void TellFileFault(Screen& screen, std::string_view what, const std::filesystem::path& path,
                   const std::string& why) {
    const std::u8string name = path.u8string();
    screen.ShowMessage(
        MessageIcon::Error, std::string(texts::kSettingsFileTitle),
        std::string(what) + "\n" + std::string(name.begin(), name.end()) + "\n" + why);
}

}  // namespace

void ShowOpenedSettings(Form& form, const DeviceSettings& settings) {
    for (size_t index = 0; index < kSettings.size(); ++index) {
        const int byte = settings.*kSettingFields[index];
        form.SettingRead(kSettings[index].control, byte);
        ShowSetting(form, kSettings[index].control, byte);
    }
    form.VolumeByteOpened(settings.volume);
}

DeviceSettings SettingsToSave(const Form& form) {
    DeviceSettings settings;
    for (size_t index = 0; index < kSettings.size(); ++index) {
        const Setting& setting = kSettings[index];
        const int wire = setting.volume ? form.VolumeByteToSave() : form.ValueByte(setting.control);
        settings.*kSettingFields[index] = wire & 0xFF;  // as a write sends it
    }
    return settings;
}

bool OpenSettingsFile(Form& form, Screen& screen, const std::filesystem::path& path) {
    const auto json = ReadWholeFile(path);
    if (!json) {
        TellFileFault(screen, texts::kCannotOpenSettingsFile, path,
                      std::string(texts::kFileUnreadable));
        return false;
    }
    ProfileFault fault;
    const auto settings = ParseProfile(*json, fault);
    if (!settings) {
        TellFileFault(screen, texts::kCannotOpenSettingsFile, path, WhyRefused(fault));
        return false;
    }
    ShowOpenedSettings(form, *settings);
    return true;
}

bool SaveSettingsFile(const Form& form, Screen& screen, const std::filesystem::path& path) {
    if (!ValidateBeforeWrite(form, screen)) {
        return false;
    }
    const FileWriteFault fault = WriteFileAtomically(path, ProfileJson(SettingsToSave(form)));
    if (fault != FileWriteFault::None) {
        TellFileFault(screen, texts::kCannotSaveSettingsFile, path, WhyNotWritten(fault));
        return false;
    }
    return true;
}

}  // namespace kavrel
