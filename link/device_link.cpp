#include "link/device_link.h"

#include <utility>

#include "diagnosis/this_machine.h"
#include "link/cable_search.h"
#include "link/link_texts.h"
#include "link/port_name.h"
#include "link/screen.h"

namespace kavrel {

DeviceLink::DeviceLink(Screen& screen, std::string folder)
    : screen_(screen),
      programFolder_(std::move(folder)),
      transactions_(port_, screen),
      session_(screen, port_) {
    port_.SetForeignHolderCheck(diagnosis::AnotherProgramHolds);
}

CableSearch DeviceLink::OpenCableLink() {
    std::string portName = fixedPort_;
    Listing listing = Listing::Read;
    if (portName.empty()) {
        const PortListing listed = ListPorts(screen_, programFolder_);
        listing = listed.result;
        portName = PortNameFromList(listed.list);
    }
    if (portName.empty()) {
        const std::string cause = NoCableCause(listing);
        screen_.ShowMessage(MessageIcon::Error, std::string(texts::kErrorTitle),
                            std::string(texts::kCommandFailed) + std::string(texts::kNoCable) +
                                (cause.empty() ? "" : "\n\n" + cause));
        return CableSearch::NoCable;
    }
    // Here the name alone decides; the first transaction finds a port that did not open and
    // tells why.
    transactions_.SetPortCause(OpenPort(portName));
    return CableSearch::Found;
}

std::string DeviceLink::OpenPort(const std::string& name) {
    if (port_.OpenDevicePort(name)) {
        return {};
    }
    return diagnosis::PortOpenCause(DevicePort::PathOf(name), port_.OpenError());
}

CommandAnswer DeviceLink::SendCommand(uint8_t command, uint8_t value) {
    transactions_.BeginRequest(kRequestAddress, command);
    transactions_.AddRequestByte(value);
    const TransactionResult result = transactions_.RunTransaction();
    if (result != TransactionResult::Ok) {
        return {result};
    }
    return {result, transactions_.ResponseBuffer()[kDataByteOffset]};
}

}  // namespace kavrel
