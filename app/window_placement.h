#pragma once

class QWidget;

namespace kavrel {

// Places `window` centred over `owner`: its left edge is the owner's left edge plus half the
// difference of the two outer widths, likewise the top; a negative result becomes 0. The
// window's frame is taken to be as thick as the owner's, since it may not exist yet.
void CentreOver(QWidget& window, const QWidget& owner);

}  // namespace kavrel
