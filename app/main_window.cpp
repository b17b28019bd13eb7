#include "app/main_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <array>
#include <optional>

#include "app/dialog_font.h"
#include "config/settings_coding.h"
#include "config/startup_form.h"

namespace kavrel {
namespace {

enum class Kind { Frame, Option, Text, DigitField, CheckBox, Button, List };

struct ControlEntry {
    const char* name;
    Kind kind;
    const char* caption;
    int x, y, width, height;
    std::optional<Control> control;  // none for frames and captions: no handler reaches them
};

// Creation order is the keyboard focus order: cmbSoundType comes before cmbPulseTime
// although it lies below it.
constexpr std::array<ControlEntry, 25> kControls{{
    {"frmMode", Kind::Frame, "Режим", 5, 5, 110, 100, std::nullopt},
    {"optSlave", Kind::Option, "Ведомый", 14, 26, 90, 17, Control::optSlave},
    {"optAutonomous", Kind::Option, "Автономный", 14, 49, 90, 17, Control::optAutonomous},
    {"lblAddress", Kind::Text, "Адрес", 124, 23, 45, 15, std::nullopt},
    {"strAddress", Kind::DigitField, "0", 174, 24, 35, 15, Control::strAddress},
    {"frmIndication", Kind::Frame, "Индикация", 120, 5, 165, 100, std::nullopt},
    {"chkCountRed", Kind::CheckBox, "Вкл.отсчет по красному", 125, 45, 155, 14,
     Control::chkCountRed},
    {"chkCountGreen", Kind::CheckBox, "Вкл.отсчет по зеленому", 125, 65, 155, 14,
     Control::chkCountGreen},
    {"chkIndicationRuAu", Kind::CheckBox, "Вкл.индикацию 'РУ' и 'АУ'", 125, 85, 155, 14,
     Control::chkIndicationRuAu},
    {"frmTest", Kind::Frame, "Тест", 290, 5, 100, 100, std::nullopt},
    {"btnTest", Kind::Button, "Тест", 300, 25, 84, 20, Control::btnTest},
    {"btnReset", Kind::Button, "Сброс", 300, 50, 84, 20, Control::btnReset},
    {"frmLink", Kind::Frame, "Связь", 290, 110, 99, 164, std::nullopt},
    {"btnWrite", Kind::Button, "Запись", 300, 130, 84, 19, Control::btnWrite},
    {"btnRead", Kind::Button, "Чтение", 300, 155, 84, 19, Control::btnRead},
    {"btnInfo", Kind::Button, "Инф", 300, 180, 84, 19, Control::btnInfo},
    {"btnAbout", Kind::Button, "О программе", 300, 205, 84, 19, Control::btnAbout},
    {"frmSound", Kind::Frame, "Звук", 5, 110, 281, 164, std::nullopt},
    {"lblPulseTime", Kind::Text, "Время перехода на частые звук.импульсы", 10, 125, 220, 15,
     std::nullopt},
    {"chkSoundOff", Kind::CheckBox, "Отключить звуковое сопровождение", 10, 165, 215, 15,
     Control::chkSoundOff},
    {"lblSoundType", Kind::Text, "Вид звукового сопровождения", 10, 185, 166, 14, std::nullopt},
    {"cmbSoundType", Kind::List, "", 10, 200, 87, 20, Control::cmbSoundType},
    {"cmbPulseTime", Kind::List, "", 10, 140, 87, 20, Control::cmbPulseTime},
    {"lblVolume", Kind::Text, "Громкость", 10, 230, 166, 14, std::nullopt},
    {"strVolume", Kind::DigitField, "100", 15, 250, 35, 15, Control::strVolume},
}};

QWidget* CreateControl(const ControlEntry& entry, QWidget& parent) {
    const QString caption = QString::fromUtf8(entry.caption);
    switch (entry.kind) {
        case Kind::Frame: {
            // Stacked beneath every control, some of which were created before it: a frame is
            // only drawn and never takes a click meant for a control it surrounds.
            auto* frame = new QGroupBox(caption, &parent);
            frame->lower();
            return frame;
        }
        case Kind::Option:
            return new QRadioButton(caption, &parent);
        case Kind::Text:
            return new QLabel(caption, &parent);
        case Kind::DigitField: {
            auto* field = new QLineEdit(caption, &parent);
            // Refuses every non-digit, typed or pasted.
            field->setValidator(
                new QRegularExpressionValidator(QRegularExpression("[0-9]*"), field));
            return field;
        }
        case Kind::CheckBox:
            return new QCheckBox(caption, &parent);
        case Kind::Button:
            return new QPushButton(caption, &parent);
        case Kind::List:
            return new QComboBox(&parent);
    }
    return nullptr;
}

}  // namespace

int ValueByte(const QWidget& control) {
    return control.property("valueByte").toInt();
}

void SetValueByte(QWidget& control, int value) {
    control.setProperty("valueByte", value);
}

MainWindow::MainWindow() : content_(new QWidget(this)) {
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle(QStringLiteral("Конфигуратор Kavrel V%1.4").arg(2));
    setObjectName("wndMain");
    setFixedSize(kClientWidth, kClientHeight);
    UseDialogFont(*this);
    content_->setGeometry(0, 0, kClientWidth, kClientHeight);
    BuildControls();
    PutIntoInitialState();
}

MainWindow::~MainWindow() {
    hide();
}

QWidget* MainWindow::Widget(Control control) const {
    const auto found = controls_.find(control);
    return found == controls_.end() ? nullptr : found->second;
}

void MainWindow::BuildControls() {
    for (const ControlEntry& entry : kControls) {
        QWidget* widget = CreateControl(entry, *content_);
        widget->setObjectName(entry.name);
        widget->setGeometry(entry.x, entry.y, entry.width, entry.height);
        if (entry.control) {
            controls_[*entry.control] = widget;
        }
    }
}

void MainWindow::PutIntoInitialState() {
    static_cast<QRadioButton*>(Widget(Control::optSlave))->setChecked(true);
    static_cast<QCheckBox*>(Widget(Control::chkCountRed))->setChecked(true);
    static_cast<QCheckBox*>(Widget(Control::chkCountGreen))->setChecked(true);

    auto* pulseTime = static_cast<QComboBox*>(Widget(Control::cmbPulseTime));
    pulseTime->addItem(QStringLiteral("Выкл."));
    for (int pulseTimeByte = kPulseTimeMin; pulseTimeByte <= kPulseTimeMax; ++pulseTimeByte) {
        pulseTime->addItem(QString::number(pulseTimeByte));
    }
    pulseTime->setCurrentIndex(startup::kPulseTimeItem);

    auto* soundType = static_cast<QComboBox*>(Widget(Control::cmbSoundType));
    for (int signal = 1; signal <= 3; ++signal) {
        soundType->addItem(QStringLiteral("Сигнал №%1").arg(signal));
    }
    soundType->setCurrentIndex(startup::kSoundTypeItem);

    // Only a read changes these three; the operator sees them but never edits them.
    Widget(Control::chkSoundOff)->setEnabled(false);
    Widget(Control::cmbSoundType)->setEnabled(false);
    Widget(Control::strVolume)->setEnabled(false);

    const std::pair<Control, int> initialBytes[] = {
        {Control::optSlave, startup::kModeByte},
        {Control::optAutonomous, startup::kModeByte},
        {Control::strAddress, startup::kAddressByte},
        {Control::chkCountRed, startup::kIndicationByte},
        {Control::chkCountGreen, startup::kIndicationByte},
        {Control::chkIndicationRuAu, startup::kIndicationByte},
        {Control::cmbPulseTime, startup::kPulseTimeByte},
        {Control::chkSoundOff, startup::kSoundOffByte},
        {Control::cmbSoundType, startup::kSoundTypeByte},
        {Control::strVolume, startup::kVolumePercent},
    };
    for (const auto& [control, value] : initialBytes) {
        SetValueByte(*Widget(control), value);
    }
}

void MainWindow::ShowCentredOnScreen() {
    const QRect screenArea = screen()->availableGeometry();
    move(screenArea.center() - rect().center());
    show();
    // The frame's thickness is known once the window is on screen.
    move(pos() + screenArea.center() - frameGeometry().center());
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // While an operation or a secondary window is in progress the window refuses to close.
    if (content_->isEnabled()) {
        event->accept();
    } else {
        event->ignore();
    }
}

}  // namespace kavrel
