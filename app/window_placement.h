#pragma once

#include <QRect>

#include "config/secondary_window_layout.h"

class QWidget;

namespace kavrel {

// Places `window` centred over `owner`: its left edge is the owner's left edge plus half the
// difference of the two outer widths, likewise the top; a negative result becomes 0. The
// window's frame is taken to be as thick as the owner's, since it may not exist yet.
void CentreOver(QWidget& window, const QWidget& owner);

// A place of the shared layouts as Qt's rectangle.
inline QRect Rect(const Place& place) {
    return {place.x, place.y, place.width, place.height};
}

}  // namespace kavrel
