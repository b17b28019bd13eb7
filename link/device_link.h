#pragma once

#include <cstdint>
#include <string>

#include "link/bibl_com.h"
#include "link/device_port.h"
#include "link/exchange_session.h"
#include "link/transaction.h"

namespace kavrel {

class UserInterface;

// The program-wide state of the device link, alive from start-up to exit: the device
// port, the frame buffers and the exchange session. The folder is where Zorvik and
// listport.txt live (the program's own folder outside the tests).
struct DeviceLink {
    explicit DeviceLink(UserInterface& ui, std::string programFolder = ProgramFolder());

    // Finds the cable's port and opens it. 1 = no cable (already reported), 0 = go on.
    uint8_t OpenCableLink();

    UserInterface& ui;
    std::string programFolder;
    DevicePort port;
    Transactions transactions;
    ExchangeSession session;
};

}  // namespace kavrel
