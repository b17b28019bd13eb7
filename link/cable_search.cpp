#include "link/cable_search.h"

#include <string_view>

#include "diagnosis/this_machine.h"
#include "link/link_texts.h"
#include "link/list_folder.h"
#include "link/lister_process.h"
#include "link/port_list_contract.h"
#include "link/port_list_file.h"
#include "link/port_name.h"
#include "link/screen.h"

namespace kavrel {

PortListing ListPorts(Screen& screen, const std::string& folder) {
    if (!RunAndWait(folder + std::string(kListerFileName))) {
        screen.ShowMessage(MessageIcon::Error, std::string(texts::kErrorTitleExclaimed),
                           texts::ListerLaunchFailed(kListerFileName));
        return {Listing::ListerNotStarted, {}};
    }
    const auto listFolder = ListFolder(folder);
    if (!listFolder) {
        return {Listing::NoListFolder, {}};
    }
    return {Listing::Read,
            ReadPortList(*listFolder + "/" + std::string(port_list::kFileName)).value_or("")};
}

std::string FindCablePort(Screen& screen, const std::string& folder) {
    return PortNameFromList(ListPorts(screen, folder).list);
}

std::string NoCableCause(Listing listing) {
    return listing == Listing::NoListFolder ? std::string(texts::kNoListFolder)
                                            : diagnosis::NoCableCause();
}

}  // namespace kavrel
