#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "link/device_port.h"
#include "link/exchange_session.h"
#include "link/program_folder.h"
#include "link/transaction.h"

namespace kavrel {

class Screen;
class TraceSink;

// Whether the cable search found a port to talk through.
enum class CableSearch { Found, NoCable };

// How one command went: the transaction's result and, when it is Ok, the response's data
// byte.
struct CommandAnswer {
    TransactionResult result = TransactionResult::Ok;
    uint8_t data = 0;
    bool Ok() const { return result == TransactionResult::Ok; }
};

// The program-wide state of the device link, alive from start-up to exit: the device
// port, the frame buffers and the exchange session. The folder is where Zorvik and
// listport.txt live (the program's own folder outside the tests).
class DeviceLink {
  public:
    explicit DeviceLink(Screen& screen, std::string programFolder = ProgramFolder());

    // From now on the cable link opens `path` and runs no lister; "" finds the cable again.
    void UsePort(std::string path) { fixedPort_ = std::move(path); }
    // Every transaction's traffic also goes to `sink` (nullptr: nowhere, the default).
    void SetTraceSink(TraceSink* sink) { transactions_.SetTraceSink(sink); }

    // Begins an exchange session that ends when the returned scope does.
    [[nodiscard]] ExchangeSession::Scope Session() { return ExchangeSession::Scope(session_); }

    // Finds the cable's port and opens it. NoCable has been reported to the operator; a
    // port that does not open is noticed by the first transaction, which reports it.
    CableSearch OpenCableLink();

    // One command as one transaction to every device (address 255) with one value byte.
    // A failure has already been reported to the operator.
    CommandAnswer SendCommand(uint8_t command, uint8_t value);

    Screen& screen() { return screen_; }

  private:
    // Opens the port; why it did not open, or "".
    std::string OpenPort(const std::string& name);

    Screen& screen_;
    std::string programFolder_;
    std::string fixedPort_;
    DevicePort port_;
    Transactions transactions_;
    ExchangeSession session_;
};

}  // namespace kavrel
