#include "config/settings_file.h"

#include <string>

#include "config/address_input.h"
#include "config/config_texts.h"
#include "config/form.h"
#include "config/operations.h"
#include "config/profile.h"
#include "config/profile_file.h"
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
    const std::pair<Control, int> bytes[] = {
        {Control::optSlave, settings.mode},          {Control::strAddress, settings.address},
        {Control::chkCountRed, settings.indication}, {Control::cmbPulseTime, settings.pulseTime},
        {Control::chkSoundOff, settings.soundOff},   {Control::cmbSoundType, settings.soundType},
        {Control::strVolume, settings.volume},
    };
    for (const auto& [setting, byte] : bytes) {
        ShowReadSetting(form, setting, byte);
    }
    form.VolumeByteOpened(settings.volume);
}

DeviceSettings SettingsToSave(const Form& form) {
    const auto wire = [&](Control control) { return form.ValueByte(control) & 0xFF; };
    return {wire(Control::optSlave),       wire(Control::strAddress),  wire(Control::chkCountRed),
            wire(Control::cmbPulseTime),   wire(Control::chkSoundOff), wire(Control::cmbSoundType),
            form.VolumeByteToSave() & 0xFF};
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
