// wndMain as start-up leaves it: window, the 25 controls, list items, states, value bytes,
// and the digit fields refusing anything but digits.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>

#include "shell_fixture.h"

namespace kavrel::testing {
namespace {

using MainWindowTest = ShellTest;

TEST_F(MainWindowTest, WindowHasTitleFixedClientSizeAndNoMaximiseBox) {
    MainWindow& window = ui.Main();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Конфигуратор Kavrel V2.4"));
    EXPECT_EQ(window.size(), QSize(396, 278));
    EXPECT_EQ(window.minimumSize(), window.maximumSize());
    const Qt::WindowFlags flags = window.windowFlags();
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_EQ(window.parentWidget(), nullptr);
}

TEST_F(MainWindowTest, WindowIsCentredOnTheScreen) {
    const QRect screen = ui.Main().screen()->availableGeometry();
    const QPoint centre = ui.Main().frameGeometry().center();
    EXPECT_LE(std::abs(centre.x() - screen.center().x()), 1);
    EXPECT_LE(std::abs(centre.y() - screen.center().y()), 1);
}

struct ControlRow {
    const char* name;
    const char* kind;
    const char* caption;
    QRect geometry;
};

// Creation order, which is also the focus order.
const ControlRow kControls[] = {
    {"frmMode", "QGroupBox", "Режим", {5, 5, 110, 100}},
    {"optSlave", "QRadioButton", "Ведомый", {14, 26, 90, 17}},
    {"optAutonomous", "QRadioButton", "Автономный", {14, 49, 90, 17}},
    {"lblAddress", "QLabel", "Адрес", {124, 23, 45, 15}},
    {"strAddress", "QLineEdit", "0", {174, 24, 35, 15}},
    {"frmIndication", "QGroupBox", "Индикация", {120, 5, 165, 100}},
    {"chkCountRed", "QCheckBox", "Вкл.отсчет по красному", {125, 45, 155, 14}},
    {"chkCountGreen", "QCheckBox", "Вкл.отсчет по зеленому", {125, 65, 155, 14}},
    {"chkIndicationRuAu", "QCheckBox", "Вкл.индикацию 'РУ' и 'АУ'", {125, 85, 155, 14}},
    {"frmTest", "QGroupBox", "Тест", {290, 5, 100, 100}},
    {"btnTest", "QPushButton", "Тест", {300, 25, 84, 20}},
    {"btnReset", "QPushButton", "Сброс", {300, 50, 84, 20}},
    {"frmLink", "QGroupBox", "Связь", {290, 110, 99, 164}},
    {"btnWrite", "QPushButton", "Запись", {300, 130, 84, 19}},
    {"btnRead", "QPushButton", "Чтение", {300, 155, 84, 19}},
    {"btnInfo", "QPushButton", "Инф", {300, 180, 84, 19}},
    {"btnAbout", "QPushButton", "О программе", {300, 205, 84, 19}},
    {"frmSound", "QGroupBox", "Звук", {5, 110, 281, 164}},
    {"lblPulseTime", "QLabel", "Время перехода на частые звук.импульсы", {10, 125, 220, 15}},
    {"chkSoundOff", "QCheckBox", "Отключить звуковое сопровождение", {10, 165, 215, 15}},
    {"lblSoundType", "QLabel", "Вид звукового сопровождения", {10, 185, 166, 14}},
    {"cmbSoundType", "QComboBox", "Сигнал №1", {10, 200, 87, 20}},
    {"cmbPulseTime", "QComboBox", "10", {10, 140, 87, 20}},
    {"lblVolume", "QLabel", "Громкость", {10, 230, 166, 14}},
    {"strVolume", "QLineEdit", "100", {15, 250, 35, 15}},
};

QString Caption(QWidget* widget) {
    if (auto* frame = qobject_cast<QGroupBox*>(widget)) {
        return frame->title();
    }
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        return label->text();
    }
    if (auto* field = qobject_cast<QLineEdit*>(widget)) {
        return field->text();
    }
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        return button->text();
    }
    if (auto* list = qobject_cast<QComboBox*>(widget)) {
        return list->currentText();
    }
    return {};
}

TEST_F(MainWindowTest, ControlsAreCreatedInOrderWithTheirKindCaptionAndPlace) {
    const QList<QWidget*> created =
        ui.Main().Content().findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    ASSERT_EQ(created.size(), std::ssize(kControls));
    for (std::size_t i = 0; i < std::size(kControls); ++i) {
        const ControlRow& row = kControls[i];
        QWidget* widget = created[static_cast<qsizetype>(i)];
        SCOPED_TRACE(row.name);
        EXPECT_EQ(widget->objectName(), QString(row.name));
        EXPECT_TRUE(widget->inherits(row.kind));
        EXPECT_EQ(Caption(widget), QString::fromUtf8(row.caption));
        EXPECT_EQ(widget->geometry(), row.geometry);
    }
}

// The room a caption has: the whole width of a text, the part beside the box of an option
// or check box.
int CaptionRoom(QWidget* widget) {
    QStyleOptionButton option;
    option.initFrom(widget);
    if (widget->inherits("QCheckBox")) {
        return widget->style()
            ->subElementRect(QStyle::SE_CheckBoxContents, &option, widget)
            .width();
    }
    if (widget->inherits("QRadioButton")) {
        return widget->style()
            ->subElementRect(QStyle::SE_RadioButtonContents, &option, widget)
            .width();
    }
    return widget->width();
}

TEST_F(MainWindowTest, EveryCaptionFitsItsControl) {
    for (QWidget* widget : ui.Main().Content().findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (widget->inherits("QLabel") || widget->inherits("QAbstractButton")) {
            EXPECT_LE(widget->fontMetrics().horizontalAdvance(Caption(widget)), CaptionRoom(widget))
                << widget->objectName().toStdString() << " clips its caption";
        }
    }
}

TEST_F(MainWindowTest, TabWalksTheControlsInCreationOrder) {
    // Only the enabled controls that take focus are on the walk.
    const char* expected[] = {"optSlave",      "optAutonomous",     "strAddress", "chkCountRed",
                              "chkCountGreen", "chkIndicationRuAu", "btnTest",    "btnReset",
                              "btnWrite",      "btnRead",           "btnInfo",    "btnAbout",
                              "cmbPulseTime"};
    QWidget* widget = W(Control::optSlave);
    for (const char* name : expected) {
        EXPECT_EQ(widget->objectName(), QString(name));
        widget = widget->nextInFocusChain();
        while (widget->focusPolicy() == Qt::NoFocus || !widget->isEnabled()) {
            widget = widget->nextInFocusChain();
        }
    }
}

TEST_F(MainWindowTest, ListsHoldTheirItemsWithTheStartingChoice) {
    auto* pulseTime = static_cast<QComboBox*>(W(Control::cmbPulseTime));
    ASSERT_EQ(pulseTime->count(), 19);
    EXPECT_EQ(pulseTime->itemText(0), QStringLiteral("Выкл."));
    for (int item = 1; item < 19; ++item) {
        EXPECT_EQ(pulseTime->itemText(item), QString::number(item + 2));
    }
    EXPECT_EQ(pulseTime->currentIndex(), 8);
    EXPECT_FALSE(pulseTime->isEditable());

    auto* soundType = static_cast<QComboBox*>(W(Control::cmbSoundType));
    ASSERT_EQ(soundType->count(), 3);
    EXPECT_EQ(soundType->itemText(0), QStringLiteral("Сигнал №1"));
    EXPECT_EQ(soundType->itemText(1), QStringLiteral("Сигнал №2"));
    EXPECT_EQ(soundType->itemText(2), QStringLiteral("Сигнал №3"));
    EXPECT_EQ(soundType->currentIndex(), 0);
    EXPECT_FALSE(soundType->isEditable());
}

TEST_F(MainWindowTest, StartsInSlaveModeWithBothCountdownsAndSoundControlsGreyed) {
    struct Expected {
        Control control;
        int state;
        bool enabled;
        int valueByte;
    };
    const Expected expected[] = {
        {Control::optSlave, 1, true, 1},      {Control::optAutonomous, 0, true, 1},
        {Control::strAddress, 0, true, 0},    {Control::chkCountRed, 1, true, 3},
        {Control::chkCountGreen, 1, true, 3}, {Control::chkIndicationRuAu, 0, true, 3},
        {Control::cmbPulseTime, 8, true, 10}, {Control::chkSoundOff, 0, false, 0},
        {Control::cmbSoundType, 0, false, 1}, {Control::strVolume, 0, false, 100},
        {Control::btnTest, 0, true, 0},       {Control::btnReset, 0, true, 0},
        {Control::btnWrite, 0, true, 0},      {Control::btnRead, 0, true, 0},
        {Control::btnInfo, 0, true, 0},       {Control::btnAbout, 0, true, 0},
    };
    for (const Expected& row : expected) {
        SCOPED_TRACE(static_cast<int>(row.control));
        EXPECT_EQ(ui.State(row.control), row.state);
        EXPECT_EQ(ui.IsEnabled(row.control), row.enabled);
        EXPECT_EQ(ui.ValueByte(row.control), row.valueByte);
    }
    EXPECT_EQ(ui.Text(Control::strAddress), "0");
    EXPECT_EQ(ui.Text(Control::strVolume), "100");
    EXPECT_TRUE(ui.IsMainWindowEnabled());
}

TEST_F(MainWindowTest, ControlsKeepTheirOwnEnabledFlagWhileTheWindowRefusesInput) {
    ui.SetMainWindowEnabled(false);
    EXPECT_FALSE(ui.IsMainWindowEnabled());
    EXPECT_TRUE(ui.IsEnabled(Control::btnRead));
    EXPECT_FALSE(ui.IsEnabled(Control::strVolume));
    ui.SetMainWindowEnabled(true);
    EXPECT_TRUE(ui.IsMainWindowEnabled());
    EXPECT_FALSE(ui.IsEnabled(Control::strVolume));  // still greyed on its own
    EXPECT_TRUE(W(Control::btnRead)->isEnabled());
}

TEST_F(MainWindowTest, ClosingWhileIdleIsAcceptedAndRefusedWhileBusy) {
    ui.SetMainWindowEnabled(false);
    EXPECT_FALSE(ui.Main().close());
    EXPECT_TRUE(ui.Main().isVisible());
    ui.SetMainWindowEnabled(true);
    EXPECT_TRUE(ui.Main().close());
    EXPECT_FALSE(ui.Main().isVisible());
}

class DigitFieldTest : public ShellTest, public ::testing::WithParamInterface<Control> {};

TEST_P(DigitFieldTest, TypedNonDigitsAreRefused) {
    auto* field = static_cast<QLineEdit*>(W(GetParam()));
    field->setEnabled(true);
    field->clear();
    field->setFocus();
    QTest::keyClicks(field, "1a2-b3 +x");
    EXPECT_EQ(field->text(), QStringLiteral("123"));
}

TEST_P(DigitFieldTest, PastedTextWithNonDigitsIsRefusedAndDigitsAreTaken) {
    auto* field = static_cast<QLineEdit*>(W(GetParam()));
    field->setEnabled(true);
    field->setText("7");
    field->setFocus();
    field->end(false);
    QApplication::clipboard()->setText("12ab");
    QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(field->text(), QStringLiteral("7"));
    QApplication::clipboard()->setText("45");
    QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(field->text(), QStringLiteral("745"));
}

INSTANTIATE_TEST_SUITE_P(BothDigitFields, DigitFieldTest,
                         ::testing::Values(Control::strAddress, Control::strVolume),
                         [](const auto& testCase) {
                             return testCase.param == Control::strAddress
                                        ? std::string("strAddress")
                                        : std::string("strVolume");
                         });

}  // namespace
}  // namespace kavrel::testing
