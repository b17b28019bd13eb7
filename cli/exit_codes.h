#pragma once

#include "config/operations.h"

namespace kavrel::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitUsage = 2;  // usage or profile error: nothing was sent
inline constexpr int kExitNoCable = 3;
inline constexpr int kExitInterrupted = 130;

inline constexpr const char* kExitCodesHelp =
    "Exit codes:\n"
    "  0    success\n"
    "  2    usage or profile error (nothing sent)\n"
    "  3    no cable, or the port does not open\n"
    "  4    no answer or a bad answer from the unit\n"
    "  5    the unit refused a command\n"
    "  6    verification found a difference\n"
    "  7    the unit's class does not match\n"
    "  130  interrupted (Ctrl+C)\n";

inline int ExitCode(OperationResult result) {
    switch (result) {
        case OperationResult::Ok:
            return kExitOk;
        case OperationResult::InvalidAddress:
            return kExitUsage;
        case OperationResult::NoCable:
        case OperationResult::PortClosed:
            return kExitNoCable;
        case OperationResult::NoAnswer:
        case OperationResult::BadAnswer:
            return 4;
        case OperationResult::Refused:
            return 5;
        case OperationResult::VerificationFailed:
            return 6;
        case OperationResult::Incompatible:
            return 7;
        case OperationResult::Cancelled:
            return kExitInterrupted;
        case OperationResult::NoWindow:
            break;
    }
    return 1;
}

}  // namespace kavrel::cli
