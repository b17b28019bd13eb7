#pragma once

class QWidget;

namespace kavrel {

// The windows are laid out in fixed pixels for a small dialog font: captions such as
// "Вкл.отсчет по красному" must fit 155 pixels. Gives `window` (and so its controls) an
// 11-pixel, condensed variant of the desktop's own font.
void UseDialogFont(QWidget& window);

}  // namespace kavrel
