#pragma once

#include <functional>
#include <map>

#include "config/form.h"

namespace kavrel {

class MainWindow;

// What each control of wndMain runs when the operator acts on it; controls not in the
// table run nothing.
using HandlerTable = std::map<Control, std::function<void()>>;

// Ties every control in the table to its handler through the control's user-action
// signals: a click of an option, check box or button, a choice in a list (also of the item
// already chosen), and for the digit field each edit of its text and each gain or loss of
// the keyboard focus. Setting a control from code runs nothing.
void ConnectHandlers(MainWindow& window, const HandlerTable& handlers);

}  // namespace kavrel
