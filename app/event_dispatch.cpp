#include "app/event_dispatch.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QEvent>
#include <QLineEdit>

#include "app/main_window.h"

namespace kavrel {
namespace {

// Runs the handler when the watched widget gains or loses the keyboard focus.
class FocusWatcher final : public QObject {
  public:
    FocusWatcher(QObject& watched, std::function<void()> handler)
        : QObject(&watched), handler_(std::move(handler)) {
        watched.installEventFilter(this);
    }

    bool eventFilter(QObject* /*watched*/, QEvent* event) override {
        if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
            handler_();
        }
        return false;
    }

  private:
    std::function<void()> handler_;
};

}  // namespace

void ConnectHandlers(MainWindow& window, const HandlerTable& handlers) {
    for (const auto& entry : handlers) {
        const auto& handler = entry.second;  // a plain name: lambdas capture it by copy
        QWidget* widget = window.Widget(entry.first);
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            QObject::connect(button, &QAbstractButton::clicked, button, [handler] { handler(); });
        } else if (auto* list = qobject_cast<QComboBox*>(widget)) {
            QObject::connect(list, &QComboBox::activated, list, [handler] { handler(); });
        } else if (auto* field = qobject_cast<QLineEdit*>(widget)) {
            // textEdited is textChanged restricted to the operator's own edits.
            QObject::connect(field, &QLineEdit::textEdited, field, [handler] { handler(); });
            new FocusWatcher(*field, handler);
        }
    }
}

}  // namespace kavrel
