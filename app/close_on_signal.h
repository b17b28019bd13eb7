#pragma once

#include <signal.h>

#include <QObject>

class QSocketNotifier;
class QWidget;

namespace kavrel {

// Turns SIGTERM and SIGINT into a close request on `window`, as if the operator had closed
// it, so a refused close (an operation or a secondary window in progress) is refused here
// too. One instance per process, destroyed before the window; it gives the signals back to
// the handling they had before.
class CloseOnSignal final : public QObject {
  public:
    explicit CloseOnSignal(QWidget& window);
    ~CloseOnSignal() override;

  private:
    QSocketNotifier* notifier_ = nullptr;
    struct sigaction previousTerm_ {};
    struct sigaction previousInt_ {};
};

}  // namespace kavrel
