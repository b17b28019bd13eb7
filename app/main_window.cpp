#include "app/main_window.h"

#include <QAbstractButton>
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

#include "app/dialog_font.h"
#include "config/main_window_layout.h"
#include "config/startup_form.h"
#include "config/window_texts.h"

namespace kavrel {
namespace {

QWidget* CreateControl(const ControlEntry& entry, QWidget& parent) {
    const QString caption = QString::fromUtf8(entry.caption);
    switch (entry.kind) {
        case ControlKind::Frame: {
            // Stacked beneath every control, some of which were created before it: a frame is
            // only drawn and never takes a click meant for a control it surrounds.
            auto* frame = new QGroupBox(caption, &parent);
            frame->lower();
            return frame;
        }
        case ControlKind::Option:
            return new QRadioButton(caption, &parent);
        case ControlKind::Text:
            return new QLabel(caption, &parent);
        case ControlKind::DigitField: {
            auto* field = new QLineEdit(caption, &parent);
            // Refuses every non-digit, typed or pasted.
            field->setValidator(
                new QRegularExpressionValidator(QRegularExpression("[0-9]*"), field));
            return field;
        }
        case ControlKind::CheckBox:
            return new QCheckBox(caption, &parent);
        case ControlKind::Button:
            return new QPushButton(caption, &parent);
        case ControlKind::List:
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
    setWindowTitle(QString::fromUtf8(texts::kMainWindowTitle));
    setObjectName("wndMain");
    setFixedSize(kMainClientWidth, kMainClientHeight);
    UseDialogFont(*this);
    content_->setGeometry(0, 0, kMainClientWidth, kMainClientHeight);
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
    for (const ControlEntry& entry : kMainWindowControls) {
        QWidget* widget = CreateControl(entry, *content_);
        widget->setObjectName(entry.name);
        widget->setGeometry(entry.x, entry.y, entry.width, entry.height);
        if (entry.control) {
            controls_[*entry.control] = widget;
        }
    }
}

void MainWindow::PutIntoInitialState() {
    for (const startup::ControlStart& start : startup::kControls) {
        QWidget* widget = Widget(start.control);
        if (auto* list = qobject_cast<QComboBox*>(widget)) {
            for (const std::string& item : startup::ListItems(start.control)) {
                list->addItem(QString::fromStdString(item));
            }
            list->setCurrentIndex(start.state);
        } else if (auto* box = qobject_cast<QAbstractButton*>(widget); box && box->isCheckable()) {
            box->setChecked(start.state == 1);
        }
        widget->setEnabled(start.enabled);
        SetValueByte(*widget, start.valueByte);
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
