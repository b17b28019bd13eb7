// The five device buttons and the address field of wndMain, clicked and typed into as the
// operator would, with the real lister finding a simulated unit registered as a cable.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QStringList>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <filesystem>

#include "app/configurator.h"
#include "tests/app/shell_fixture.h"
#include "tests/config/unit_requests.h"
#include "tests/support/scratch_folder.h"
#include "tools/virtual-cable/cable_registry.h"

namespace kavrel::testing {
namespace {

class ShellEndToEndTest : public ::testing::Test {
  protected:
    void SetUp() override {
        folder.CopyProgram("Zorvik");
        // The lister sees no hardware here and only this test's simulator as a cable.
        std::filesystem::create_directories(folder / "sysfs");
        setenv("KAVREL_SYSFS_ROOT", (folder / "sysfs").c_str(), 1);
        setenv("KAVREL_CABLE_REGISTRY", (folder / "registry").c_str(), 1);
        ASSERT_TRUE(registration.IsRegistered());
        configurator.Show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&Ui().Main()));
        // Message boxes are modal: read and dismiss them from inside their own loop.
        QObject::connect(&dismisser, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                messages.push_back(box->windowTitle() + ": " + box->text());
                box->done(QMessageBox::Ok);
            }
        });
        dismisser.start(10);
    }

    QtUserInterface& Ui() { return configurator.Ui(); }

    void Click(Control control) { testing::Click(Ui().Main().Widget(control)); }

    void TypeAddress(const QString& text) {
        auto* field = static_cast<QLineEdit*>(Ui().Main().Widget(Control::strAddress));
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);  // typing replaces it all
        QTest::keyClicks(field, text);
    }

    ScratchFolder folder;
    sim::SimulatedUnit unit;
    cable::CableRegistration registration{unit.SlavePath(), folder / "registry"};
    Configurator configurator{TestImages(), folder.Path()};
    QStringList messages;  // "title: text" of every message box, in order
    QTimer dismisser;      // stops before the windows go
};

TEST_F(ShellEndToEndTest, ReadButtonShowsTheDeviceSettings) {
    unit.SetModel({{.mode = 2,
                    .address = 17,
                    .indication = 6,
                    .pulseTime = 5,
                    .soundOff = 1,
                    .soundType = 2,
                    .volume = 128}});
    Click(Control::btnRead);

    EXPECT_EQ(RequestsTo(unit), kReadRequests);
    EXPECT_TRUE(messages.isEmpty());
    // What each control shows, as the operator reads it off the screen.
    std::string shown;
    for (Control control :
         {optSlave, optAutonomous, chkCountRed, chkCountGreen, chkIndicationRuAu, chkSoundOff}) {
        shown += std::to_string(Ui().State(control));
    }
    for (Control control : {strAddress, cmbPulseTime, cmbSoundType, strVolume}) {
        shown += " " + Ui().Text(control);
    }
    EXPECT_EQ(shown, "010111 17 5 Сигнал №2 50");
}

TEST_F(ShellEndToEndTest, WriteButtonSendsTheFormAndAClickedBoxRecodesTheIndication) {
    Click(Control::btnWrite);  // right after start-up
    EXPECT_EQ(RequestsTo(unit), kStartUpWriteRequests);

    // Read bytes the form cannot show go back as they came: indication bit 3, sound-off 2,
    // a pulse time and a sound type outside the lists.
    unit.SetModel({{.indication = 11, .pulseTime = 21, .soundOff = 2, .soundType = 5}});
    Click(Control::btnRead);
    for (Control list : {Control::cmbPulseTime, Control::cmbSoundType}) {
        EXPECT_EQ(Ui().State(list), -1);  // the list shows no entry
        EXPECT_EQ(Ui().Text(list), "");
    }
    unit.ClearLog();
    Click(Control::btnWrite);
    for (const auto& [command, value] : Requests{{33, 11}, {34, 21}, {36, 2}, {37, 5}}) {
        EXPECT_TRUE(Received(unit, command, value)) << command << " " << value;
    }
    // A clicked box recodes the indication from the boxes.
    Click(Control::chkIndicationRuAu);
    unit.ClearLog();
    Click(Control::btnWrite);
    EXPECT_TRUE(Received(unit, 33, 7));
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(ShellEndToEndTest, AddressFieldEditsDecideWhatTheWriteSends) {
    const QString fortyDigits = QString("1234567890").repeated(4);
    TypeAddress(fortyDigits);  // kept whole, read as out of range
    EXPECT_EQ(Ui().Text(Control::strAddress), fortyDigits.toStdString());
    EXPECT_EQ(Ui().ValueByte(Control::strAddress), 255);
    Click(Control::btnWrite);
    EXPECT_TRUE(unit.Log().empty());
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith("Внимание!: Запись невозможна."));

    TypeAddress("17");
    Click(Control::btnWrite);
    EXPECT_TRUE(Received(unit, 44, 17));
    EXPECT_EQ(messages.size(), 1);
}

TEST_F(ShellEndToEndTest, InfoButtonOpensWndInfoWhichKeepsWndMainRefusingInput) {
    unit.SetModel({{}, 3, 12});
    Click(Control::btnInfo);

    EXPECT_EQ(RequestsTo(unit), (Requests{{47, 0}, {46, 0}}));
    ASSERT_NE(ShownWindow<InfoWindow>(), nullptr);
    EXPECT_TRUE(messages.isEmpty());
    // Each value by the name of the label on its caption's row.
    for (const auto& [label, value] : {std::pair("lblFirmwareVersion", "12"),
                                       {"lblDeviceClass", "3"},
                                       {"lblConfiguratorVersion", "4"},
                                       {"lblConfiguratorClass", "2"}}) {
        EXPECT_EQ(ShownWindow<InfoWindow>()->findChild<QLabel*>(label)->text(), value) << label;
    }
    EXPECT_EQ(ShownWindow<ExchangeWindow>(), nullptr);
    EXPECT_FALSE(TakesInput(Ui()));
}

TEST_F(ShellEndToEndTest, TestButtonSendsTheTestCommand) {
    Click(Control::btnTest);
    EXPECT_EQ(RequestsTo(unit), (Requests{{46, 0}, {32, 4}}));
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(ShellEndToEndTest, ResetButtonReportsARefusal) {
    unit.AddFault({.command = 48, .kind = sim::FaultKind::Refuse, .param = 0});
    Click(Control::btnReset);
    EXPECT_EQ(RequestsTo(unit), (Requests{{46, 0}, {48, 4}}));
    EXPECT_EQ(messages,
              QStringList{"Ошибка: Выполнить команду не удалось!!!\nУстройство отклонило команду"});
}

}  // namespace
}  // namespace kavrel::testing
