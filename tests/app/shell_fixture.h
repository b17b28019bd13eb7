#pragma once

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QTest>

#include "app/configurator.h"
#include "tests/support/scratch_folder.h"

namespace kavrel::testing {

using enum Control;

// The pictures, decoded once for every test of the binary.
inline const ImageSet& TestImages() {
    static std::string failure;
    static const ImageSet images = DecodeImageSet(failure).value_or(ImageSet{});
    EXPECT_EQ(failure, "") << "the embedded pictures do not decode";
    return images;
}

// A left click where the operator would click: on the box of an option or check box, in
// the middle of anything else.
inline void Click(QWidget* widget) {
    const bool hasBox = widget->inherits("QCheckBox") || widget->inherits("QRadioButton");
    QTest::mouseClick(widget, Qt::LeftButton, {},
                      hasBox ? QPoint(7, widget->height() / 2) : widget->rect().center());
}

// Opens the list and picks an item with the keyboard, as the operator would.
inline void Choose(QWidget* widget, int item) {
    auto* list = static_cast<QComboBox*>(widget);
    list->showPopup();
    list->view()->setCurrentIndex(list->model()->index(item, 0));
    QTest::keyClick(list->view(), Qt::Key_Return);
}

// The window of that kind now on screen, as the operator sees it, or nullptr.
template <class Window>
Window* ShownWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* window = dynamic_cast<Window*>(widget); window && window->isVisible()) {
            return window;
        }
    }
    return nullptr;
}

// Whether wndMain takes input: its content is what refuses it.
inline bool TakesInput(QtUserInterface& ui) {
    return ui.Main().Content().isEnabled();
}

// The program-wide state with wndMain on screen, its program folder a scratch one: its
// controls run the real form rules and btnAbout opens wndAbout.
class ShellTest : public ::testing::Test {
  protected:
    ShellTest() {
        configurator.Show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&ui.Main()));
    }
    QWidget* W(Control control) { return ui.Main().Widget(control); }
    void Click(Control control) { testing::Click(W(control)); }

    ScratchFolder folder;
    Configurator configurator{TestImages(), folder.Path()};
    QtUserInterface& ui = configurator.Ui();
};

}  // namespace kavrel::testing
