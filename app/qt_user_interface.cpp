#include "app/qt_user_interface.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>

#include "app/window_placement.h"

namespace kavrel {
namespace {

QString FromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Opens a secondary or exchange window centred over wndMain.
void ShowOver(QWidget& window, const QWidget& owner) {
    CentreOver(window, owner);
    window.show();
}

}  // namespace

QtUserInterface::QtUserInterface(const ImageSet& images) : images_(images) {}

QWidget* QtUserInterface::Find(Control control) const {
    if (QWidget* widget = main_.Widget(control)) {
        return widget;
    }
    return info_ ? info_->ValueLabel(control) : nullptr;
}

int QtUserInterface::State(Control control) const {
    QWidget* widget = Find(control);
    if (auto* list = qobject_cast<QComboBox*>(widget)) {
        return list->currentIndex();
    }
    if (auto* button = qobject_cast<QAbstractButton*>(widget); button && button->isCheckable()) {
        return button->isChecked() ? 1 : 0;
    }
    return 0;
}

void QtUserInterface::SetState(Control control, int state) {
    QWidget* widget = Find(control);
    if (auto* list = qobject_cast<QComboBox*>(widget)) {
        list->setCurrentIndex(state);
    } else if (auto* option = qobject_cast<QRadioButton*>(widget)) {
        // An exclusive option cannot be cleared directly; clearing it clears only it.
        const bool exclusive = option->autoExclusive();
        option->setAutoExclusive(exclusive && state == 1);
        option->setChecked(state == 1);
        option->setAutoExclusive(exclusive);
    } else if (auto* box = qobject_cast<QAbstractButton*>(widget); box && box->isCheckable()) {
        box->setChecked(state == 1);
    }
}

std::string QtUserInterface::Text(Control control) const {
    QWidget* widget = Find(control);
    QString text;
    if (auto* field = qobject_cast<QLineEdit*>(widget)) {
        text = field->text();
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        text = label->text();
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        text = button->text();
    } else if (auto* list = qobject_cast<QComboBox*>(widget)) {
        text = list->currentText();
    }
    return text.toStdString();
}

void QtUserInterface::SetText(Control control, const std::string& text) {
    QWidget* widget = Find(control);
    if (auto* field = qobject_cast<QLineEdit*>(widget)) {
        field->setText(FromUtf8(text));
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(FromUtf8(text));
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        button->setText(FromUtf8(text));
    }
    // A drop-down list's text is its chosen item; it cannot be edited.
}

void QtUserInterface::SetEnabled(Control control, bool enabled) {
    if (QWidget* widget = Find(control)) {
        widget->setEnabled(enabled);
    }
}

int QtUserInterface::ValueByte(Control control) const {
    const QWidget* widget = Find(control);
    return widget != nullptr ? kavrel::ValueByte(*widget) : 0;
}

void QtUserInterface::SetValueByte(Control control, int value) {
    if (QWidget* widget = Find(control)) {
        kavrel::SetValueByte(*widget, value);
    }
}

void QtUserInterface::SettingRead(Control setting, int deviceByte) {
    if (setting == Control::strVolume) {
        volume_.Read(deviceByte);
    }
}

int QtUserInterface::VolumeByteToWrite() const {
    return volume_.ToWrite(ValueByte(Control::strVolume));
}

int QtUserInterface::VolumeByteToSave() const {
    return volume_.ToSave(ValueByte(Control::strVolume));
}

void QtUserInterface::SetMainWindowEnabled(bool enabled) {
    main_.Content().setEnabled(MainWindowTakesInput(enabled, info_ != nullptr, about_ != nullptr));
}

void QtUserInterface::ShowMessage(MessageIcon icon, const std::string& title,
                                  const std::string& text) {
    QMessageBox box(icon == MessageIcon::Error ? QMessageBox::Critical : QMessageBox::Warning,
                    FromUtf8(title), FromUtf8(text), QMessageBox::Ok, &main_);
    box.exec();
}

bool QtUserInterface::OpenInfoWindow() {
    if (info_) {
        return false;
    }
    main_.Content().setEnabled(false);
    info_ = new InfoWindow(main_, [this] { CloseInfoWindow(); });
    ShowOver(*info_, main_);
    return true;
}

void QtUserInterface::CloseInfoWindow() {
    if (!info_) {
        return;
    }
    info_->hide();
    info_->deleteLater();  // may run inside the window's own button handler
    info_ = nullptr;
    SetMainWindowEnabled(true);
}

void QtUserInterface::OpenAboutWindow() {
    if (about_) {
        return;
    }
    main_.Content().setEnabled(false);
    about_ = new AboutWindow(main_, images_.aboutBanner);
    QObject::connect(about_, &QDialog::finished, &main_, [this] { CloseAboutWindow(); });
    ShowOver(*about_, main_);
}

void QtUserInterface::CloseAboutWindow() {
    if (!about_) {
        return;
    }
    about_->hide();
    about_->deleteLater();
    about_ = nullptr;
    SetMainWindowEnabled(true);
}

bool QtUserInterface::OpenExchangeWindow() {
    if (exchange_) {
        return false;
    }
    cancel_.Reset();
    exchange_ = new ExchangeWindow(main_, images_.animationFrames, [this] { cancel_.Press(); });
    ++exchangeGeneration_;
    ShowOver(*exchange_, main_);
    return true;
}

void QtUserInterface::ShowAnimationFrame(int frame) {
    // Called from the animation worker: post the change and return at once.
    const unsigned generation = exchangeGeneration_.load();
    QMetaObject::invokeMethod(
        &main_,
        [this, frame, generation] {
            if (exchange_ && generation == exchangeGeneration_.load()) {
                exchange_->ShowFrame(frame);
            }
        },
        Qt::QueuedConnection);
}

bool QtUserInterface::CloseExchangeWindow() {
    if (exchange_) {
        ++exchangeGeneration_;
        exchange_->hide();
        exchange_->deleteLater();
        exchange_ = nullptr;
    }
    return true;
}

bool QtUserInterface::PollCancel() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    return cancel_.Take();
}

}  // namespace kavrel
