// The five device buttons and the address field of wndMain, clicked and typed into as the
// operator would, with the real lister finding a simulated unit registered as a cable.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/configurator.h"
#include "tests/app/shell_fixture.h"
#include "tests/support/memory_ui.h"
#include "tools/kavrel-sim/simulated_unit.h"
#include "tools/virtual-cable/cable_registry.h"

namespace kavrel::testing {
namespace {

namespace fs = std::filesystem;

class ShellEndToEndTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "kavrel-shell-XXXXXX");
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
        const char* binaries = std::getenv("KAVREL_BIN_DIR");
        ASSERT_NE(binaries, nullptr);
        fs::copy_file(fs::path(binaries) / "Zorvik", folder_ / "Zorvik");
        // The lister sees no hardware here and only this test's simulator as a cable.
        fs::create_directories(folder_ / "sysfs");
        setenv("KAVREL_SYSFS_ROOT", (folder_ / "sysfs").c_str(), 1);
        setenv("KAVREL_CABLE_REGISTRY", (folder_ / "registry").c_str(), 1);
        registration_ =
            std::make_unique<cable::CableRegistration>(unit.SlavePath(), folder_ / "registry");
        ASSERT_TRUE(registration_->IsRegistered());

        configurator_ = std::make_unique<Configurator>(TestImages(), folder_.string() + "/");
        configurator_->Show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&Ui().Main()));

        // Message boxes are modal: read and dismiss them from inside their own loop.
        dismisser_ = std::make_unique<QTimer>();
        QObject::connect(dismisser_.get(), &QTimer::timeout, [this] { DismissMessageBoxes(); });
        dismisser_->start(10);
    }

    void TearDown() override {
        dismisser_.reset();
        configurator_.reset();
        registration_.reset();
        fs::remove_all(folder_);
    }

    void DismissMessageBoxes() {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(window);
            if (box && box->isVisible()) {
                messages.push_back({box->icon() == QMessageBox::Critical ? MessageIcon::Error
                                                                         : MessageIcon::Warning,
                                    box->windowTitle().toStdString(), box->text().toStdString()});
                box->done(QMessageBox::Ok);
            }
        }
    }

    QtUserInterface& Ui() { return configurator_->Ui(); }
    QWidget* W(Control control) { return Ui().Main().Widget(control); }

    void Click(Control control) {
        QWidget* widget = W(control);
        const bool hasBox = widget->inherits("QCheckBox") || widget->inherits("QRadioButton");
        QTest::mouseClick(widget, Qt::LeftButton, {},
                          hasBox ? QPoint(7, widget->height() / 2) : widget->rect().center());
    }

    void TypeAddress(const QString& text) {
        auto* field = static_cast<QLineEdit*>(W(Control::strAddress));
        QTest::mouseClick(field, Qt::LeftButton, {}, field->rect().center());
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(field, Qt::Key_Delete);
        QTest::keyClicks(field, text);
    }

    std::vector<std::pair<int, int>> Requests() const {
        std::vector<std::pair<int, int>> requests;
        for (const sim::LoggedRequest& request : unit.Log()) {
            requests.emplace_back(request.command, request.value);
        }
        return requests;
    }

    bool Sent(int command, int value) const {
        const auto requests = Requests();
        return std::find(requests.begin(), requests.end(), std::pair{command, value}) !=
               requests.end();
    }

    sim::SimulatedUnit unit;
    std::vector<RecordedMessage> messages;

  private:
    fs::path folder_;
    std::unique_ptr<cable::CableRegistration> registration_;
    std::unique_ptr<Configurator> configurator_;
    std::unique_ptr<QTimer> dismisser_;
};

TEST_F(ShellEndToEndTest, ReadButtonShowsTheDeviceSettings) {
    unit.SetModel({{.mode = 2,
                    .address = 17,
                    .indication = 4,
                    .pulseTime = 255,
                    .soundOff = 1,
                    .soundType = 3,
                    .volume = 128}});

    Click(Control::btnRead);

    const std::vector<std::pair<int, int>> expected = {{46, 0}, {51, 0}, {41, 0}, {45, 0}, {39, 0},
                                                       {40, 0}, {42, 0}, {43, 0}, {50, 0}};
    EXPECT_EQ(Requests(), expected);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(Ui().State(Control::optAutonomous), 1);
    EXPECT_EQ(Ui().State(Control::optSlave), 0);
    EXPECT_EQ(Ui().Text(Control::strAddress), "17");
    EXPECT_FALSE(W(Control::strAddress)->isEnabled());
    EXPECT_FALSE(W(Control::chkIndicationRuAu)->isEnabled());
    EXPECT_EQ(Ui().State(Control::chkIndicationRuAu), 1);
    EXPECT_EQ(Ui().State(Control::cmbPulseTime), 0);
    EXPECT_EQ(Ui().State(Control::chkSoundOff), 1);
    EXPECT_EQ(Ui().State(Control::cmbSoundType), 2);
    EXPECT_EQ(Ui().Text(Control::strVolume), "50");
    EXPECT_TRUE(Ui().IsMainWindowEnabled());
    EXPECT_EQ(Ui().Exchange(), nullptr);
}

TEST_F(ShellEndToEndTest, WriteButtonSendsTheFormAndAClickedBoxChangesTheIndication) {
    Click(Control::btnWrite);  // right after start-up
    const std::vector<std::pair<int, int>> startUp = {
        {46, 0}, {35, 1}, {44, 0}, {33, 3}, {34, 10}, {36, 0}, {37, 1}, {49, 255},
        {38, 0}, {41, 0}, {45, 0}, {39, 0}, {40, 0},  {42, 0}, {43, 0}, {50, 0}};
    EXPECT_EQ(Requests(), startUp);
    EXPECT_EQ(unit.CommitCount(), 1);

    // Bit 3 of a read indication goes back as it came until a box is clicked.
    unit.SetModel({{.indication = 11}});
    Click(Control::btnRead);
    unit.ClearLog();
    Click(Control::btnWrite);
    EXPECT_TRUE(Sent(33, 11));

    Click(Control::chkIndicationRuAu);
    unit.ClearLog();
    Click(Control::btnWrite);
    EXPECT_TRUE(Sent(33, 7));
    EXPECT_EQ(unit.Model().settings.indication, 7);
    EXPECT_TRUE(messages.empty());
}

TEST_F(ShellEndToEndTest, AddressFieldEditsDecideWhatTheWriteSends) {
    TypeAddress("300");
    EXPECT_EQ(Ui().ValueByte(Control::strAddress), 255);
    Click(Control::btnWrite);
    EXPECT_TRUE(Requests().empty());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].icon, MessageIcon::Warning);
    EXPECT_EQ(messages[0].title, "Внимание!");
    EXPECT_TRUE(Ui().IsMainWindowEnabled());

    TypeAddress("17");
    EXPECT_EQ(Ui().ValueByte(Control::strAddress), 17);
    Click(Control::btnWrite);
    EXPECT_TRUE(Sent(44, 17));
    EXPECT_EQ(unit.Model().settings.address, 17);
    EXPECT_EQ(messages.size(), 1u);
}

TEST_F(ShellEndToEndTest, InfoButtonOpensWndInfoWhichKeepsWndMainRefusingInput) {
    unit.SetModel({{}, 3, 12});

    Click(Control::btnInfo);

    ASSERT_NE(Ui().Info(), nullptr);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(Ui().Text(Control::lblFirmwareVersion), "12");
    EXPECT_EQ(Ui().Text(Control::lblDeviceClass), "3");
    EXPECT_EQ(Ui().Text(Control::lblConfiguratorVersion), "4");
    EXPECT_EQ(Ui().Text(Control::lblConfiguratorClass), "2");
    EXPECT_FALSE(Ui().IsMainWindowEnabled());
    EXPECT_EQ(Ui().Exchange(), nullptr);

    // A second press goes nowhere while wndInfo is open.
    unit.ClearLog();
    Click(Control::btnInfo);
    EXPECT_TRUE(Requests().empty());

    QPushButton* ok = Ui().Info()->findChild<QPushButton*>();
    ASSERT_NE(ok, nullptr);
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_EQ(Ui().Info(), nullptr);
    EXPECT_TRUE(Ui().IsMainWindowEnabled());
}

TEST_F(ShellEndToEndTest, TestButtonSendsTheTestCommand) {
    Click(Control::btnTest);

    const std::vector<std::pair<int, int>> expected = {{46, 0}, {32, 4}};
    EXPECT_EQ(Requests(), expected);
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(Ui().IsMainWindowEnabled());
}

TEST_F(ShellEndToEndTest, ResetButtonReportsARefusal) {
    unit.AddFault({.command = 48, .kind = sim::FaultKind::Refuse, .param = 0});

    Click(Control::btnReset);

    const std::vector<std::pair<int, int>> expected = {{46, 0}, {48, 4}};
    EXPECT_EQ(Requests(), expected);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].icon, MessageIcon::Error);
    EXPECT_EQ(messages[0].title, "Ошибка");
    EXPECT_EQ(messages[0].text, "Выполнить команду не удалось!!!\nУстройство отклонило команду");
    EXPECT_TRUE(Ui().IsMainWindowEnabled());
}

}  // namespace
}  // namespace kavrel::testing
