#pragma once

#include "config/settings_table.h"
#include "link/transaction_result.h"

namespace kavrel {

class DeviceLink;
class Form;

// How a device operation ended. Every failure has been shown to the operator already; the
// window ignores the result, the command line turns it into its exit code.
enum class OperationResult {
    Ok,
    InvalidAddress,      // the address text reads above 254: nothing was sent
    NoCable,             // no cable found, or the lister did not start
    PortClosed,          // the port did not open, or closed during the session
    NoAnswer,            // the unit stayed silent, or a worker did not end
    BadAnswer,           // a bad start byte, checksum or length
    Cancelled,           // the operator's "Отмена"
    Refused,             // a write or action answered with something other than ACK_VALUE
    Incompatible,        // the unit's class is not CONFIGURATOR_CLASS
    VerificationFailed,  // a setting read back differs from what was written
    NoWindow,            // wndInfo could not be opened
};

// The operation's view of a failed transaction.
OperationResult ResultOfTransaction(TransactionResult result);

// The device operations behind the buttons of wndMain. Each runs one exchange session on
// the link, keeps the settings in the form, and returns when the session has ended.
OperationResult ReadSettings(DeviceLink& link, Form& form);
OperationResult WriteSettings(DeviceLink& link, Form& form);
OperationResult ShowDeviceInfo(DeviceLink& link, Form& form);
OperationResult RunTest(DeviceLink& link);
OperationResult RunReset(DeviceLink& link);

// The transactions each operation takes when every one goes through: the class and the
// begin-read, then each setting; the class, each setting written, the commit and each read
// back (the address only in slave mode); the version and the class; the class and the
// action.
inline constexpr int kReadTransactions = 2 + static_cast<int>(kSettings.size());
constexpr int WriteTransactions(bool slaveMode) {
    int written = 0;
    for (const Setting& setting : kSettings) {
        written += !setting.slaveOnly || slaveMode ? 1 : 0;
    }
    return 2 + 2 * written;
}
inline constexpr int kInfoTransactions = 2;
inline constexpr int kTestTransactions = 2;
inline constexpr int kResetTransactions = 2;

// Turns the text of strAddress into its value byte (255 when it reads 255 or more).
void CheckAddressInput(Form& form);

}  // namespace kavrel
