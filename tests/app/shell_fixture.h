#pragma once

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QComboBox>
#include <QTest>
#include <map>
#include <ostream>

// Readable failures for Qt strings.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

#include "app/event_dispatch.h"
#include "app/form_rules.h"
#include "app/image_set.h"
#include "app/qt_user_interface.h"

namespace kavrel::testing {

// The pictures, decoded once for every test of the binary.
inline const ImageSet& TestImages() {
    static const ImageSet images = [] {
        std::string failure;
        std::optional<ImageSet> decoded = DecodeImageSet(failure);
        if (!decoded) {
            ADD_FAILURE() << failure;
            return ImageSet{};
        }
        return *decoded;
    }();
    return images;
}

// wndMain on screen, its controls tied to the real form rules and to counters for every
// other handler (the device operations need a device; their wiring is what is tested).
class ShellTest : public ::testing::Test {
  protected:
    ShellTest() : ui(TestImages()) {
        const auto counted = [this](Control control, std::function<void()> rule) {
            return [this, control, rule] {
                ++runs[control];
                if (rule) {
                    rule();
                }
            };
        };
        HandlerTable table;
        for (Control control : {Control::optSlave, Control::optAutonomous}) {
            table[control] = counted(control, [this] { ApplyModeRule(ui); });
        }
        for (Control control :
             {Control::chkCountRed, Control::chkCountGreen, Control::chkIndicationRuAu}) {
            table[control] = counted(control, [this] { ApplyIndicationRule(ui); });
        }
        table[Control::cmbPulseTime] =
            counted(Control::cmbPulseTime, [this] { ApplyPulseTimeRule(ui); });
        table[Control::btnAbout] = counted(Control::btnAbout, [this] { ui.OpenAboutWindow(); });
        for (Control control : {Control::strAddress, Control::btnTest, Control::btnReset,
                                Control::btnWrite, Control::btnRead, Control::btnInfo}) {
            table[control] = counted(control, nullptr);
        }
        ConnectHandlers(ui.Main(), table);
        ui.Main().ShowCentredOnScreen();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&ui.Main()));
    }

    QWidget* W(Control control) { return ui.Main().Widget(control); }

    // A left click where the operator would click: on the box of an option or check box,
    // in the middle of anything else.
    void Click(QWidget* widget) {
        const bool hasBox = widget->inherits("QCheckBox") || widget->inherits("QRadioButton");
        QTest::mouseClick(widget, Qt::LeftButton, {},
                          hasBox ? QPoint(7, widget->height() / 2) : widget->rect().center());
    }
    void Click(Control control) { Click(W(control)); }

    // Opens the list and picks an item with the keyboard, as the operator would.
    void Choose(Control control, int item) {
        auto* list = static_cast<QComboBox*>(W(control));
        list->showPopup();
        QAbstractItemView* view = list->view();
        view->setCurrentIndex(list->model()->index(item, 0));
        QTest::keyClick(view, Qt::Key_Return);
    }

    std::map<Control, int> runs;  // outlives ui, whose closing may still run handlers
    QtUserInterface ui;
};

}  // namespace kavrel::testing
