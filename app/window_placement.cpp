#include "app/window_placement.h"

#include <QWidget>
#include <algorithm>

namespace kavrel {

void CentreOver(QWidget& window, const QWidget& owner) {
    const QRect ownerOuter = owner.frameGeometry();
    const QSize frame = ownerOuter.size() - owner.size();
    const QSize outer = window.size() + frame;
    const int left = ownerOuter.left() + (ownerOuter.width() - outer.width()) / 2;
    const int top = ownerOuter.top() + (ownerOuter.height() - outer.height()) / 2;
    window.move(std::max(left, 0), std::max(top, 0));
}

}  // namespace kavrel
