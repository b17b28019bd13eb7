#include "link/cable_search.h"

#include <string_view>

#include "link/link_texts.h"
#include "link/list_folder.h"
#include "link/lister_process.h"
#include "link/port_list_file.h"
#include "link/port_name.h"
#include "link/screen.h"

namespace kavrel {

std::string FindCablePort(Screen& screen, const std::string& folder) {
    if (!RunAndWait(folder + std::string(kListerFileName))) {
        screen.ShowMessage(MessageIcon::Error, std::string(texts::kErrorTitleExclaimed),
                           texts::ListerLaunchFailed(kListerFileName));
        return {};
    }
    const auto list = ReadPortList(ListFolder(folder) + "/" + std::string(kListName));
    return list ? PortNameFromList(*list) : std::string();
}

}  // namespace kavrel
