// The five device buttons and the address field of wndMain, clicked and typed into as the
// operator would, with the real lister finding a simulated unit registered as a cable.
#include <gtest/gtest.h>

#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include "app/configurator.h"
#include "config/config_texts.h"
#include "config/profile.h"
#include "tests/app/shell_fixture.h"
#include "tests/support/scratch_folder.h"
#include "tools/kavrel-sim/simulated_unit.h"
#include "tools/virtual-cable/cable_registry.h"

namespace kavrel::testing {
namespace {

// A message box as the operator sees it: icon, title and text.
std::string Box(QMessageBox::Icon icon, std::string_view title, std::string_view text) {
    return std::to_string(icon) + " " + std::string(title) + ": " + std::string(text);
}

// The command and value byte of every request the unit received, in order.
using Requests = std::vector<std::pair<int, int>>;
Requests RequestsTo(const sim::SimulatedUnit& unit) {
    Requests requests;
    for (const sim::LoggedRequest& request : unit.Log()) {
        requests.emplace_back(request.command, request.value);
    }
    return requests;
}

// A write right after start-up (slave, address 0, red and green, 10, sound on, type 1,
// 100 %): the class query, every setting, the commit, then every setting read back.
const Requests kStartUpWrite = {{46, 0}, {35, 1},   {44, 0}, {33, 3}, {34, 10}, {36, 0},
                                {37, 1}, {49, 255}, {38, 0}, {41, 0}, {45, 0},  {39, 0},
                                {40, 0}, {42, 0},   {43, 0}, {50, 0}};

// Bytes the window cannot show as they are: indication bit 3, a pulse time with no list
// entry, sound off 2, a volume byte whose 50 % would be written as 127.
const sim::Settings kUnusualUnit{1, 17, 11, 21, 2, 3, 128};

// The shell with the lister seeing no hardware and only this test's simulator as a cable.
class ShellEndToEndTest : public ShellTest {
  protected:
    void SetUp() override {
        folder.CopyProgram("Zorvik");
        std::filesystem::create_directories(folder / "sysfs");
        setenv("KAVREL_SYSFS_ROOT", (folder / "sysfs").c_str(), 1);
        setenv("KAVREL_CABLE_REGISTRY", (folder / "registry").c_str(), 1);
        ASSERT_TRUE(registration.IsRegistered());
        // Message boxes are modal: read and dismiss them from inside their own loop.
        QObject::connect(&dismisser, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                EXPECT_EQ(box->buttons(), QList{box->button(QMessageBox::Ok)});
                messages.push_back(
                    Box(box->icon(), box->windowTitle().toStdString(), box->text().toStdString()));
                box->done(QMessageBox::Ok);
            }
        });
        dismisser.start(10);
    }

    // Runs `handle` on the file dialog, or the menu, once it is up.
    template <class Shown>
    void WhenShown(std::function<void(Shown&)> handle) {
        auto* timer = new QTimer(&ui.Main());
        QObject::connect(timer, &QTimer::timeout, [timer, handle] {
            auto* shown = qobject_cast<Shown*>(QApplication::activeModalWidget());
            shown = shown ? shown : qobject_cast<Shown*>(QApplication::activePopupWidget());
            if (shown) {
                timer->deleteLater();
                handle(*shown);
            }
        });
        timer->start(10);
    }

    sim::SimulatedUnit unit;
    cable::CableRegistration registration{unit.SlavePath(), folder / "registry"};
    std::vector<std::string> messages;  // every message box, in order
    QTimer dismisser;                   // stops before the windows go
};

TEST_F(ShellEndToEndTest, ReadButtonShowsTheDeviceSettings) {
    // Mode, address, indication, pulse time, sound-off, sound type and volume.
    unit.SetModel({{2, 17, 6, 5, 1, 2, 128}});
    Click(btnRead);

    const Requests read = {{46, 0}, {51, 0}, {41, 0}, {45, 0}, {39, 0},
                           {40, 0}, {42, 0}, {43, 0}, {50, 0}};
    EXPECT_EQ(RequestsTo(unit), read);
    EXPECT_TRUE(messages.empty());
    // What each control shows, as the operator reads it off the screen.
    EXPECT_EQ(std::tuple(ui.State(optSlave), ui.State(optAutonomous), ui.State(chkCountRed),
                         ui.State(chkCountGreen), ui.State(chkIndicationRuAu),
                         ui.State(chkSoundOff), ui.Text(strAddress), ui.Text(cmbPulseTime),
                         ui.Text(cmbSoundType), ui.Text(strVolume)),
              std::tuple(0, 1, 0, 1, 1, 1, "17", "5", "Сигнал №2", "50"));
}

TEST_F(ShellEndToEndTest, InfoButtonOpensWndInfoWhichKeepsWndMainRefusingInput) {
    unit.SetModel({{}, 3, 12});
    Click(btnInfo);

    ASSERT_NE(ShownWindow<InfoWindow>(), nullptr);
    // Each value by the name of the label on its caption's row.
    for (const auto& [label, value] : {std::pair("lblFirmwareVersion", "12"),
                                       {"lblDeviceClass", "3"},
                                       {"lblConfiguratorVersion", "4"},
                                       {"lblConfiguratorClass", "2"}}) {
        EXPECT_EQ(ShownWindow<InfoWindow>()->findChild<QLabel*>(label)->text(), value) << label;
    }
    EXPECT_FALSE(TakesInput(ui));
}

// A file kavrelctl read from one unit, given at start-up, then "Запись": the unit in the
// window's cable ends byte for byte as the first. A broken file shows its box and leaves the
// start-up form, which "Запись" then sends.
TEST_F(ShellEndToEndTest, AFileGivenAtStartUpIsWhatWriteSends) {
    sim::SimulatedUnit first;
    first.SetModel({kUnusualUnit});
    const std::string file = folder / "unit.kavrel";
    ASSERT_EQ(
        std::system((std::getenv("KAVREL_BIN_DIR") + ("/kavrelctl --port " + first.SlavePath() +
                                                      " read -o " + file + " >/dev/null"))
                        .c_str()),
        0);
    folder.Write("broken.kavrel", "{\"mode\": ");
    configurator.Files().OpenFile(QString::fromStdString(folder / "broken.kavrel"));
    EXPECT_EQ(messages,
              std::vector{Box(QMessageBox::Critical, texts::kSettingsFileTitle,
                              "Открыть файл настроек невозможно.\n" + (folder / "broken.kavrel") +
                                  "\n" + texts::FileBroken(1, 9))});
    Click(btnWrite);
    EXPECT_EQ(RequestsTo(unit), kStartUpWrite);

    configurator.Files().OpenFile(QString::fromStdString(file));
    EXPECT_EQ(std::tuple(ui.State(cmbPulseTime), ui.Text(strVolume), ui.Text(strAddress)),
              std::tuple(-1, "50", "17"));
    Click(btnWrite);
    EXPECT_EQ(unit.Model().settings, kUnusualUnit);
    EXPECT_EQ(messages.size(), 1u);
}

// Ctrl+S saves what was read through the dialog, a file dropped on the window opens it, the
// context menu offers both, and none of it works while wndAbout is open.
TEST_F(ShellEndToEndTest, SavedThroughTheDialogAndDroppedBackTheFileWritesTheSameUnit) {
    QStandardPaths::setTestModeEnabled(true);
    unit.SetModel({kUnusualUnit});
    Click(btnRead);
    EXPECT_EQ(ui.VolumeByteToWrite(), 127);  // the window's own write sends the percent
    unit.SetModel({});
    const std::string saved = folder / "crossing.kavrel";
    WhenShown<QFileDialog>([&](QFileDialog& dialog) {
        dialog.selectFile(QString::fromStdString(folder / "crossing"));  // the suffix is added
        static_cast<QDialog&>(dialog).accept();  // as its "Save" button does
    });
    // A shortcut reaches the window with the focus; offscreen, the focus stays with the
    // exchange window that was last shown until it is deleted.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ui.Main().activateWindow();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return QGuiApplication::focusWindow() == ui.Main().windowHandle(); }));
    QTest::keyClick(&ui.Main(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(folder.Read("crossing.kavrel"), ProfileJson({1, 17, 11, 21, 2, 3, 128}));

    Click(btnRead);  // the factory settings now
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(saved))});
    const auto dropOnWindow = [&] {  // a drop goes where the drag was let in
        QDragEnterEvent enter(QPoint(200, 100), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(&ui.Main(), &enter);
        QDropEvent drop(QPointF(200, 100), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(&ui.Main(), &drop);
        return enter.isAccepted();
    };
    EXPECT_TRUE(dropOnWindow());
    EXPECT_TRUE(QTest::qWaitFor([&] { return ui.Text(strAddress) == "17"; }));
    Click(btnWrite);
    EXPECT_EQ(unit.Model().settings, kUnusualUnit);

    QStringList items;
    const auto collectMenu = [&](QMenu& menu) {
        for (QAction* action : menu.actions()) {
            items << action->text();
        }
        menu.close();
    };
    WhenShown<QMenu>(collectMenu);
    QContextMenuEvent rightClick(QContextMenuEvent::Mouse, QPoint(5, 5),
                                 W(btnRead)->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(W(btnRead), &rightClick);
    EXPECT_EQ(items, (QStringList{"Сохранить настройки в файл…", "Открыть файл настроек…"}));

    unit.SetModel({});
    Click(btnRead);
    QString startFolder;  // the folder used last
    WhenShown<QFileDialog>([&](QFileDialog& dialog) {
        startFolder = dialog.directory().absolutePath() + "/";
        dialog.reject();
    });
    configurator.Files().Open();
    EXPECT_EQ(startFolder.toStdString(), folder.Path());

    // wndAbout open: no dialog, no menu, no drop.
    Click(btnAbout);
    WhenShown<QFileDialog>([&](QFileDialog& dialog) {
        ADD_FAILURE() << "a dialog came up: " << dialog.windowTitle().toStdString();
        dialog.reject();
    });
    WhenShown<QMenu>(collectMenu);
    configurator.Files().Open();
    configurator.Files().Save();
    EXPECT_FALSE(dropOnWindow());
    items.clear();
    QApplication::sendEvent(W(btnRead), &rightClick);
    QTest::qWait(50);
    EXPECT_TRUE(items.isEmpty());
    EXPECT_TRUE(messages.empty());
}

}  // namespace
}  // namespace kavrel::testing
