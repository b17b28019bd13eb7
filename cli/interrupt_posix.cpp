#include "cli/interrupt.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>

namespace kavrel::cli {

namespace {

std::atomic<bool> interrupted = false;
// Written once by the handler, so that a wait on its other end wakes at once.
int wakeRead = -1;
int wakeWrite = -1;

void OnInterrupt(int) {
    interrupted = true;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(wakeWrite, &byte, 1);
}

}  // namespace

void CatchInterrupt() {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) == 0) {
        wakeRead = ends[0];
        wakeWrite = ends[1];
    }
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    action.sa_flags = SA_RESTART | SA_RESETHAND;  // the second Ctrl+C takes the default way
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
}

bool Interrupted() {
    return interrupted;
}

void WaitUnlessInterrupted(std::chrono::milliseconds timeout) {
    if (interrupted) {
        return;
    }
    pollfd wake{wakeRead, POLLIN, 0};
    poll(&wake, 1, static_cast<int>(timeout.count()));
}

}  // namespace kavrel::cli
