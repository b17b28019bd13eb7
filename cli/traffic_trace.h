#pragma once

#include <chrono>
#include <cstdio>

#include "link/trace_sink.h"

namespace kavrel::cli {

class TerminalScreen;

// Follows the transactions for the progress indicator and, when asked, writes the trace:
// one line per request, response and result, with the time since the program started.
class TrafficTrace : public TraceSink {
  public:
    using Clock = std::chrono::steady_clock;

    // `trace` may be null (no trace) or standard error.
    TrafficTrace(TerminalScreen& screen, std::FILE* trace, Clock::time_point start);

    void Trace(const TraceEvent& event) override;

  private:
    TerminalScreen& screen_;
    std::FILE* trace_;
    Clock::time_point start_;
};

}  // namespace kavrel::cli
