#pragma once

#include <cstdint>
#include <string>

namespace kavrel {

// How a transaction ended. The numbers are what the operator reads in the failure boxes
// ("Ошибка №5"), so they never change.
enum class TransactionResult : int32_t {
    Ok = 0,
    PortClosed = 1,
    SendWorkerStuck = 2,
    ReceiveWorkerStuck = 3,
    NoResponse = 4,
    BadStartByte = 5,
    BadChecksum = 6,
    BadLength = 7,
    CancelledByUser = 8,
};

inline int32_t ErrorNumber(TransactionResult result) {
    return static_cast<int32_t>(result);
}

// The title and text of the box that reports a failed transaction.
std::string FailureTitle(TransactionResult result);
std::string FailureText(TransactionResult result);

}  // namespace kavrel
