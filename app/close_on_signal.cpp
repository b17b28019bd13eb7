#include "app/close_on_signal.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <QWidget>
#include <cerrno>

namespace kavrel {
namespace {

// The signal handler may only write a byte; the event loop reads it at the other end. The
// pair is made once and never closed: a handler already running on another thread when the
// old dispositions come back may still write, and must never meet a closed descriptor, or
// worse, one reused for the device port.
int signalPipe[2] = {-1, -1};

bool OpenSignalPipeOnce() {
    static const bool opened =
        socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, signalPipe) == 0;
    return opened;
}

// Takes the pending close requests, those meant for an earlier window included.
void DrainSignalPipe() {
    char bytes[16];
    while (read(signalPipe[1], bytes, sizeof bytes) > 0) {
    }
}

void OnSignal(int /*signal*/) {
    // The interrupted code may be about to read errno; a full pipe makes write() set it.
    const int savedErrno = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(signalPipe[0], &byte, 1);
    errno = savedErrno;
}

}  // namespace

CloseOnSignal::CloseOnSignal(QWidget& window) {
    if (!OpenSignalPipeOnce()) {
        return;
    }
    DrainSignalPipe();
    notifier_ = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [&window] {
        DrainSignalPipe();
        window.close();
    });
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, &previousTerm_);
    sigaction(SIGINT, &action, &previousInt_);
}

CloseOnSignal::~CloseOnSignal() {
    if (notifier_ == nullptr) {
        return;
    }
    sigaction(SIGTERM, &previousTerm_, nullptr);
    sigaction(SIGINT, &previousInt_, nullptr);
    delete notifier_;
}

}  // namespace kavrel
