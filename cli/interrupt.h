#pragma once

#include <chrono>

namespace kavrel::cli {

// Ctrl+C acts like the exchange window's "Отмена": the first SIGINT is noted and the
// current transaction ends at its next check; a second one ends the program at once.
void CatchInterrupt();
bool Interrupted();

// Waits `timeout`, less when SIGINT arrives (on whichever thread it lands).
void WaitUnlessInterrupted(std::chrono::milliseconds timeout);

}  // namespace kavrel::cli
