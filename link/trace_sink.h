#pragma once

#include <cstdint>
#include <span>

#include "link/transaction_result.h"

namespace kavrel {

// One event of a transaction as it happens on the line.
struct TraceEvent {
    enum class Kind {
        Request,   // an attempt's request frame, just before it is written
        Response,  // what the attempt received (possibly nothing) and how it was judged
        Result,    // the transaction's result after its last attempt
    };
    Kind kind;
    uint8_t command;
    int attempt;                     // 1..3; for Result the last one made
    std::span<const uint8_t> bytes;  // empty for Result
    TransactionResult result;        // Ok for Request
};

// Watches the traffic of the transactions; a support tool's hook, unset in the window.
// Called on the thread that runs the transactions.
class TraceSink {
  public:
    virtual ~TraceSink() = default;
    virtual void Trace(const TraceEvent& event) = 0;
};

}  // namespace kavrel
