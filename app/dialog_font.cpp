#include "app/dialog_font.h"

#include <QWidget>

namespace kavrel {

void UseDialogFont(QWidget& window) {
    QFont font = window.font();
    font.setPixelSize(11);
    font.setStretch(QFont::Condensed);
    window.setFont(font);
}

}  // namespace kavrel
