#include "link/cable_search.h"

#include <string_view>

#include "link/link_texts.h"
#include "link/list_folder.h"
#include "link/lister_process.h"
#include "link/port_list_file.h"
#include "link/port_name.h"
#include "link/screen.h"

namespace kavrel {

std::optional<std::string> ListPorts(Screen& screen, const std::string& folder) {
    if (!RunAndWait(folder + std::string(kListerFileName))) {
        screen.ShowMessage(MessageIcon::Error, std::string(texts::kErrorTitleExclaimed),
                           texts::ListerLaunchFailed(kListerFileName));
        return std::nullopt;
    }
    return ReadPortList(ListFolder(folder) + "/" + std::string(kListName)).value_or("");
}

std::string FindCablePort(Screen& screen, const std::string& folder) {
    return PortNameFromList(ListPorts(screen, folder).value_or(""));
}

}  // namespace kavrel
