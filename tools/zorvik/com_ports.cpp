#include "tools/zorvik/com_ports.h"

#include <algorithm>
#include <cctype>

#include "link/port_list_contract.h"

namespace kavrel::zorvik {

namespace {

std::string Upper(std::string_view text) {
    std::string upper(text);
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return upper;
}

}  // namespace

std::string DescribeComPort(std::string_view hardwareId, std::string_view friendlyName) {
    const std::string id = Upper(hardwareId);
    const size_t vendorAt = id.find("VID_");
    const std::string vendor = vendorAt == std::string::npos ? "" : id.substr(vendorAt + 4, 4);
    if (vendor == "1A86") {
        return std::string(port_list::kCh340Cable);
    }
    if (vendor == "067B") {
        return std::string(port_list::kProlificCable);
    }
    std::string name(friendlyName);
    if (const size_t bracket = name.rfind(" (COM");
        bracket != std::string::npos && name.back() == ')') {
        name.erase(bracket);
    }
    return name.empty() ? kPlainDescription : name;
}

}  // namespace kavrel::zorvik
