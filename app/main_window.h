#pragma once

#include <QWidget>
#include <map>

#include "config/form.h"

namespace kavrel {

// wndMain, "Конфигуратор Kavrel V2.4": the 25 controls in their creation (= focus) order,
// each setting control carrying its value byte, put into the start-up state of
// config/startup_form.h. Every control lies on Content(); disabling Content() makes wndMain refuse
// input and close requests while the controls keep their own enabled flags and child windows stay
// usable.
class MainWindow final : public QWidget {
  public:
    MainWindow();
    // Hides the window first, so the focus leaves its controls while they all still exist.
    ~MainWindow() override;

    // The named control of this window (not the wndInfo labels, which are nullptr here).
    QWidget* Widget(Control control) const;
    QWidget& Content() const { return *content_; }

    void ShowCentredOnScreen();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void BuildControls();
    void PutIntoInitialState();

    QWidget* content_;
    std::map<Control, QWidget*> controls_;
};

// The value byte that every setting control carries beside what it shows.
int ValueByte(const QWidget& control);
void SetValueByte(QWidget& control, int value);

}  // namespace kavrel
