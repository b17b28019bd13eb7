// Settings files: the profile codec, a form opened from a file and saved to one.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "config/config_texts.h"
#include "config/operations.h"
#include "config/profile.h"
#include "config/settings_file.h"
#include "config/settings_table.h"
#include "tests/support/memory_ui.h"
#include "tests/support/scratch_folder.h"

namespace kavrel::testing {
namespace {

using enum Control;
constexpr Control kSettingControls[] = {optSlave,      optAutonomous,     strAddress,   chkCountRed,
                                        chkCountGreen, chkIndicationRuAu, cmbPulseTime, chkSoundOff,
                                        cmbSoundType,  strVolume};

// What a write of the form sends (the address only in slave mode, but it is on the form).
DeviceSettings Sent(const Form& form) {
    return {form.ValueByte(optSlave),     form.ValueByte(strAddress),  form.ValueByte(chkCountRed),
            form.ValueByte(cmbPulseTime), form.ValueByte(chkSoundOff), form.ValueByte(cmbSoundType),
            form.VolumeByteToWrite()};
}

// Every control's state, text and value byte.
std::vector<std::tuple<int, std::string, int>> Shown(const Form& form) {
    std::vector<std::tuple<int, std::string, int>> shown;
    for (Control control : kSettingControls) {
        shown.emplace_back(form.State(control), form.Text(control), form.ValueByte(control));
    }
    return shown;
}

// A form as a read of one setting's byte leaves it, saved, opened into another form: that
// form shows what the read showed and a write sends the byte. The mode takes only 1 and 2
// (a read of any other changes nothing), the address 0..254 (255 is refused before saving).
TEST(SettingsFileTest, EveryByteOfEverySettingSurvivesFormFileFormAndWrite) {
    const struct {
        Control setting;
        int DeviceSettings::*field;
        int first, last;
    } table[] = {
        {optSlave, &DeviceSettings::mode, 1, 2},
        {strAddress, &DeviceSettings::address, 0, 254},
        {chkCountRed, &DeviceSettings::indication, 0, 255},
        {cmbPulseTime, &DeviceSettings::pulseTime, 0, 255},
        {chkSoundOff, &DeviceSettings::soundOff, 0, 255},
        {cmbSoundType, &DeviceSettings::soundType, 0, 255},
        {strVolume, &DeviceSettings::volume, 0, 255},
    };
    for (const auto& row : table) {
        for (int byte = row.first; byte <= row.last; ++byte) {
            SCOPED_TRACE(std::to_string(static_cast<int>(row.setting)) + " byte " +
                         std::to_string(byte));
            MemoryUi read, opened;
            read.SettingRead(row.setting, byte);  // as a read of the byte
            ShowSetting(read, row.setting, byte);
            const DeviceSettings saved = SettingsToSave(read);
            ASSERT_EQ(saved.*row.field, byte);
            ProfileFault fault;
            const auto parsed = ParseProfile(ProfileJson(saved), fault);
            ASSERT_TRUE(parsed) << fault.description;
            ShowOpenedSettings(opened, *parsed);
            EXPECT_EQ(Sent(opened), saved);
            EXPECT_EQ(Shown(opened), Shown(read));
        }
    }
    for (int mode : {0, 3, 255}) {  // a mode the window does not know changes nothing
        MemoryUi read;
        ShowSetting(read, optSlave, mode);
        EXPECT_EQ(Shown(read), Shown(MemoryUi())) << "mode " << mode;
    }
}

class SettingsFileOnDiskTest : public ::testing::Test {
  protected:
    ScratchFolder folder;
    MemoryUi ui;
};

// Each bad file is refused as a whole, in one box naming the file and the key (or the line
// and column), and leaves the form exactly as it was.
TEST_F(SettingsFileOnDiskTest, EachBadFileIsOneBoxAndLeavesTheFormAsItWas) {
    const std::string good = R"({"mode": "autonomous", "address": 1, "count_red": true,
        "count_green": false, "indication_ru_au": false, "pulse_time": "off",
        "sound_off": false, "sound_type": 1, "volume": 50})";
    const auto with = [&](const std::string& part, const std::string& instead) {
        return std::string(good).replace(good.find(part), part.size(), instead);
    };
    const std::pair<std::string, std::string> table[] = {
        {with(" \"address\": 1,", "\n\"address\": 1,,"), texts::FileBroken(2, 14)},
        {"", texts::FileBroken(1, 0)},
        {"[1, 2]", std::string(texts::kNotSettingsFile)},
        {with("\"volume\"", "\"colour\": 1, \"volume\""), texts::UnknownKey("colour")},
        {R"({"mode": "autonomous", "address": 1})", texts::MissingKey("count_red")},
        {with("\"autonomous\"", "2"), texts::WrongValue("mode")},
        {with("\"autonomous\"", R"({"byte": 256})"), texts::WrongValue("mode")},
        {with("\"autonomous\"", R"({"byte": 2, "x": 1})"), texts::WrongValue("mode")},
        {with("50", "101"), texts::WrongValue("volume")},
        {with("\"count_red\": true", "\"count_red\": \"yes\""), texts::WrongValue("count_red")},
        {with("\"count_red\"", R"("indication": {"byte": 9}, "count_red")"),
         std::string(texts::kIndicationTwice)},
    };
    const std::string path = folder / "bad.kavrel";
    const auto startUp = Shown(ui);
    for (const auto& [file, why] : table) {
        SCOPED_TRACE(file);
        folder.Write("bad.kavrel", file);
        EXPECT_FALSE(OpenSettingsFile(ui, ui, path));
        EXPECT_EQ(ui.TakeBoxes(),
                  std::vector<std::string>{"Ошибка: Открыть файл настроек невозможно.\n" + path +
                                           "\n" + why});
        EXPECT_EQ(Shown(ui), startUp);
    }
    EXPECT_FALSE(OpenSettingsFile(ui, ui, folder / "missing.kavrel"));
    EXPECT_EQ(ui.TakeBoxes(),
              std::vector<std::string>{"Ошибка: Открыть файл настроек невозможно.\n" +
                                       (folder / "missing.kavrel") + "\n" +
                                       std::string(texts::kFileUnreadable)});
}

// Saving checks the address as a write does; a file that cannot be written is told and
// leaves nothing half-written, and an older file stays whole.
TEST_F(SettingsFileOnDiskTest, SavingChecksTheAddressAndLeavesNoHalfWrittenFile) {
    const std::string path = folder / "unit.kavrel";
    ui.SetText(strAddress, "255");
    CheckAddressInput(ui);
    EXPECT_FALSE(SaveSettingsFile(ui, ui, path));
    EXPECT_EQ(ui.TakeBoxes(), std::vector<std::string>{
                                  "Внимание!: Запись невозможна.\nУстановлен некорректный адрес\n"
                                  "Исправьте ошибки и повторите."});
    EXPECT_FALSE(std::filesystem::exists(path));

    ui.SetText(strAddress, "17");
    CheckAddressInput(ui);
    ASSERT_TRUE(SaveSettingsFile(ui, ui, path));
    EXPECT_EQ(folder.Read("unit.kavrel"), ProfileJson(SettingsToSave(ui)));
    EXPECT_EQ(SettingsToSave(ui), (DeviceSettings{1, 17, 3, 10, 0, 1, 255}));

    // A folder where the file should go: the rename fails, the temporary file goes.
    std::filesystem::create_directory(folder / "taken.kavrel");
    EXPECT_FALSE(SaveSettingsFile(ui, ui, folder / "taken.kavrel"));
    EXPECT_FALSE(SaveSettingsFile(ui, ui, folder / "no/such/folder.kavrel"));
    const std::string notWritten = "Ошибка: Сохранить файл настроек невозможно.\n";
    EXPECT_EQ(ui.TakeBoxes(),
              (std::vector<std::string>{notWritten + (folder / "taken.kavrel") + "\n" +
                                            std::string(texts::kFileNotWritten),
                                        notWritten + (folder / "no/such/folder.kavrel") + "\n" +
                                            std::string(texts::kFileNotWritten)}));
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
        left.push_back(entry.path().filename().string());
    }
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"taken.kavrel", "unit.kavrel"}));
}

}  // namespace
}  // namespace kavrel::testing
