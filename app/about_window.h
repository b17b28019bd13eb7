#pragma once

#include <QDialog>

class QPixmap;

namespace kavrel {

// wndAbout, "О программе...": the banner and seven lines about the program, yellow on
// black. "Ок", the close box and Escape all close it (the dialog finishes).
class AboutWindow final : public QDialog {
  public:
    AboutWindow(QWidget& owner, const QPixmap& banner);
};

}  // namespace kavrel
