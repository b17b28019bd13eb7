// wndMain as start-up leaves it; every control of each window reachable by the mouse; the
// form rules as the operator meets them, through real clicks and list choices; the digit
// fields refusing anything but digits; and which operator actions reach which handler.
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <map>

#include "app/event_dispatch.h"
#include "shell_fixture.h"

namespace kavrel::testing {
namespace {

using MainWindowTest = ShellTest;

// Each control in creation order, which is also the focus order: name | kind | caption
// (title or text; a list's items) | x,y,width,height | state (checked, or the item chosen),
// enabled flag and value byte.
// clang-format off
const char* const kControls[] = {
    "frmMode | QGroupBox | Режим | 5,5,110,100 | 0 1 0",
    "optSlave | QRadioButton | Ведомый | 14,26,90,17 | 1 1 1",
    "optAutonomous | QRadioButton | Автономный | 14,49,90,17 | 0 1 1",
    "lblAddress | QLabel | Адрес | 124,23,45,15 | 0 1 0",
    "strAddress | QLineEdit | 0 | 174,24,35,15 | 0 1 0",
    "frmIndication | QGroupBox | Индикация | 120,5,165,100 | 0 1 0",
    "chkCountRed | QCheckBox | Вкл.отсчет по красному | 125,45,155,14 | 1 1 3",
    "chkCountGreen | QCheckBox | Вкл.отсчет по зеленому | 125,65,155,14 | 1 1 3",
    "chkIndicationRuAu | QCheckBox | Вкл.индикацию 'РУ' и 'АУ' | 125,85,155,14 | 0 1 3",
    "frmTest | QGroupBox | Тест | 290,5,100,100 | 0 1 0",
    "btnTest | QPushButton | Тест | 300,25,84,20 | 0 1 0",
    "btnReset | QPushButton | Сброс | 300,50,84,20 | 0 1 0",
    "frmLink | QGroupBox | Связь | 290,110,99,164 | 0 1 0",
    "btnWrite | QPushButton | Запись | 300,130,84,19 | 0 1 0",
    "btnRead | QPushButton | Чтение | 300,155,84,19 | 0 1 0",
    "btnInfo | QPushButton | Инф | 300,180,84,19 | 0 1 0",
    "btnAbout | QPushButton | О программе | 300,205,84,19 | 0 1 0",
    "frmSound | QGroupBox | Звук | 5,110,281,164 | 0 1 0",
    "lblPulseTime | QLabel | Время перехода на частые звук.импульсы | 10,125,220,15 | 0 1 0",
    "chkSoundOff | QCheckBox | Отключить звуковое сопровождение | 10,165,215,15 | 0 0 0",
    "lblSoundType | QLabel | Вид звукового сопровождения | 10,185,166,14 | 0 1 0",
    "cmbSoundType | QComboBox | Сигнал №1,Сигнал №2,Сигнал №3 | 10,200,87,20 | 0 0 1",
    "cmbPulseTime | QComboBox | Выкл.,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20"
        " | 10,140,87,20 | 8 1 10",
    "lblVolume | QLabel | Громкость | 10,230,166,14 | 0 1 0",
    "strVolume | QLineEdit | 100 | 15,250,35,15 | 0 0 100",
};
// clang-format on

TEST_F(MainWindowTest, WindowAndItsControlsStartInFocusOrderWithTheirLookStateAndValueByte) {
    EXPECT_EQ(ui.Main().windowTitle().toStdString(), "Конфигуратор Kavrel V2.4");
    EXPECT_EQ(ui.Main().size(), QSize(396, 278));
    EXPECT_EQ(ui.Main().minimumSize(), ui.Main().maximumSize());
    EXPECT_FALSE(ui.Main().windowFlags() & Qt::WindowMaximizeButtonHint);
    ASSERT_EQ(ui.Main().Content().findChildren<QWidget*>(Qt::FindDirectChildrenOnly).size(),
              std::ssize(kControls));
    QWidget* widget = &ui.Main().Content();
    for (const char* expected : kControls) {
        widget = widget->nextInFocusChain();
        auto* list = qobject_cast<QComboBox*>(widget);
        QString caption =
            widget->property(widget->inherits("QGroupBox") ? "title" : "text").toString();
        for (int item = 0; list && item < list->count(); ++item) {
            caption += (item ? "," : "") + list->itemText(item);
        }
        const QRect place = widget->geometry();
        EXPECT_EQ(QString::asprintf(
                      "%s | %s | %s | %d,%d,%d,%d | %d %d %d", qPrintable(widget->objectName()),
                      widget->metaObject()->className(), qPrintable(caption), place.x(), place.y(),
                      place.width(), place.height(),
                      list ? list->currentIndex() : widget->property("checked").toInt(),
                      widget->isEnabled(), ValueByte(*widget))
                      .toStdString(),
                  expected);
    }
}

TEST_F(MainWindowTest, EachControlOfEachWindowIsWhatTheWindowFindsUnderItsCentre) {
    // A frame only surrounds its controls: a click at a control never lands on it.
    const auto expectOnTop = [](QWidget& window, const QWidget& holder) {
        for (QWidget* control : holder.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (control->inherits("QGroupBox")) {
                continue;
            }
            QWidget* found = window.childAt(control->mapTo(&window, control->rect().center()));
            EXPECT_TRUE(found == control || control->isAncestorOf(found))  // a text box's viewport
                << qPrintable(window.objectName()) << ": "
                << qPrintable(control->objectName() + " " + control->property("text").toString())
                << " lies under " << (found ? qPrintable(found->objectName()) : "nothing");
        }
    };
    expectOnTop(ui.Main(), ui.Main().Content());
    ASSERT_TRUE(ui.OpenInfoWindow());
    expectOnTop(*ShownWindow<InfoWindow>(), *ShownWindow<InfoWindow>());
    ui.CloseInfoWindow();
    ui.OpenAboutWindow();
    expectOnTop(*ShownWindow<AboutWindow>(), *ShownWindow<AboutWindow>());
}

TEST_F(MainWindowTest, AClickIntoTheAddressFieldThroughTheWindowTakesWhatIsTypedNext) {
    ASSERT_TRUE(QTest::qWaitForWindowActive(&ui.Main()));
    ui.SetText(strAddress, "");
    QWidget* field = W(strAddress);
    // Sent to the window as the operator's click arrives: the window decides what is hit.
    QTest::mouseClick(ui.Main().windowHandle(), Qt::LeftButton, {},
                      field->mapTo(&ui.Main(), field->rect().center()));
    QTest::keyClicks(QApplication::focusWidget(), "42");
    EXPECT_EQ(ui.Text(strAddress), "42");
}

TEST_F(MainWindowTest, DigitFieldsRefuseTypedAndPastedNonDigits) {
    for (auto* field :
         {static_cast<QLineEdit*>(W(strAddress)), static_cast<QLineEdit*>(W(strVolume))}) {
        field->setEnabled(true);
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, "1a2-b3 +x");
        QApplication::clipboard()->setText("45ab");  // refused whole
        QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
        QApplication::clipboard()->setText("45");
        QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(field->text().toStdString(), "12345") << qPrintable(field->objectName());
    }
}

TEST_F(MainWindowTest, FormRulesKeepTheValueBytesInStepWithWhatTheControlsShow) {
    // The operator's clicks and list choices in turn, each with the mode, indication and
    // pulse-time bytes it leaves. Clicking the chosen option or choosing the chosen item again
    // changes nothing; a greyed but checked 'РУ'/'АУ' box still counts.
    const std::tuple<Control, int, int, int, int> steps[] = {
        {chkCountRed, 0, 1, 2, 10},       {chkCountGreen, 0, 1, 0, 10},
        {chkIndicationRuAu, 0, 1, 4, 10}, {chkCountRed, 0, 1, 5, 10},
        {chkCountGreen, 0, 1, 7, 10},     {optAutonomous, 0, 2, 7, 10},
        {optAutonomous, 0, 2, 7, 10},     {chkCountRed, 0, 2, 6, 10},
        {optSlave, 0, 1, 6, 10},          {optSlave, 0, 1, 6, 10},
        {cmbPulseTime, 0, 1, 6, 255},     {cmbPulseTime, 0, 1, 6, 255},
        {cmbPulseTime, 1, 1, 6, 3},       {cmbPulseTime, 18, 1, 6, 20}};
    QTest::keyClicks(W(strAddress), "42");
    for (const auto& [control, item, mode, indication, pulseTime] : steps) {
        control == cmbPulseTime ? Choose(W(control), item) : Click(W(control));
        EXPECT_EQ(std::tuple(ui.ValueByte(optSlave), ui.ValueByte(optAutonomous),
                             ui.ValueByte(chkCountRed), ui.ValueByte(chkCountGreen),
                             ui.ValueByte(chkIndicationRuAu), ui.ValueByte(cmbPulseTime),
                             W(strAddress)->isEnabled(), W(chkIndicationRuAu)->isEnabled()),
                  std::tuple(mode, mode, indication, indication, indication, pulseTime, mode == 1,
                             mode == 1))
            << "after " << qPrintable(W(control)->objectName()) << " " << item;
    }
    EXPECT_EQ(ui.Text(strAddress), "042");  // typed after the "0" already there
}

TEST(EventDispatch, EachUserActionRunsOnlyItsHandlerAndChangesFromCodeOrRefusedInputRunNone) {
    std::map<int, int> runs;  // outlives ui, whose closing may still run handlers
    QtUserInterface ui(TestImages());
    HandlerTable table;
    for (int control = 0; control <= static_cast<int>(strVolume); ++control) {
        table[static_cast<Control>(control)] = [&runs, control] { ++runs[control]; };
    }
    ConnectHandlers(ui.Main(), table);
    ui.Main().ShowCentredOnScreen();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&ui.Main()));
    for (Control control :
         {optAutonomous, optSlave, strAddress, chkCountRed, chkCountGreen, chkIndicationRuAu,
          btnTest, btnReset, btnWrite, btnRead, btnInfo, btnAbout, cmbPulseTime}) {
        QWidget* widget = ui.Main().Widget(control);
        runs.clear();
        // An edit of the address, without a change of focus; a choice in the list; a click.
        control == strAddress     ? QTest::keyClick(widget, '5')
        : control == cmbPulseTime ? Choose(widget, 3)
                                  : Click(widget);
        EXPECT_EQ(runs, (std::map<int, int>{{static_cast<int>(control), 1}}))
            << qPrintable(widget->objectName());
    }
    runs.clear();
    for (Control control :
         {optAutonomous, optSlave, chkCountRed, chkIndicationRuAu, chkSoundOff, cmbSoundType}) {
        ui.SetState(control, 1 - ui.State(control));
    }
    ui.SetState(cmbPulseTime, 3);
    ui.SetText(strAddress, "17");
    ui.SetText(strVolume, "50");
    EXPECT_EQ(ui.Text(cmbPulseTime), "5");
    ui.SetMainWindowEnabled(false);
    Click(ui.Main().Widget(btnRead));
    Click(ui.Main().Widget(chkCountRed));
    QTest::keyClicks(ui.Main().Widget(strAddress), "12");
    EXPECT_TRUE(runs.empty());
    EXPECT_EQ(ui.State(chkCountRed), 1);  // as the code above left it
}

}  // namespace
}  // namespace kavrel::testing
