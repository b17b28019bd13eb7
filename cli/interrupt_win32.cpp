#include <windows.h>

#include <atomic>

#include "cli/interrupt.h"

namespace kavrel::cli {

namespace {

std::atomic<bool> interrupted = false;
// Set once by the handler, so that a wait on it wakes at once.
HANDLE wake = nullptr;

// Windows calls this on a thread of its own for Ctrl+C and Ctrl+Break.
BOOL WINAPI OnControl(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) {
        return FALSE;
    }
    if (interrupted.exchange(true)) {
        return FALSE;  // the second Ctrl+C takes the default way
    }
    SetEvent(wake);
    return TRUE;
}

}  // namespace

void CatchInterrupt() {
    wake = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    SetConsoleCtrlHandler(OnControl, TRUE);
}

bool Interrupted() {
    return interrupted;
}

void WaitUnlessInterrupted(std::chrono::milliseconds timeout) {
    if (interrupted) {
        return;
    }
    const auto milliseconds = static_cast<DWORD>(timeout.count());
    if (wake) {
        WaitForSingleObject(wake, milliseconds);
    } else {
        Sleep(milliseconds);
    }
}

}  // namespace kavrel::cli
