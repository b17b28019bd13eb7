#include "diagnosis/machine.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>

namespace kavrel::diagnosis {

std::vector<gid_t> ProcessGroups() {
    std::vector<gid_t> groups(static_cast<size_t>(std::max(getgroups(0, nullptr), 0)));
    const int count = getgroups(static_cast<int>(groups.size()), groups.data());
    groups.resize(static_cast<size_t>(std::max(count, 0)));
    groups.push_back(getegid());
    return groups;
}

std::string UserName() {
    passwd entry{};
    passwd* found = nullptr;
    char buffer[4096];
    if (getpwuid_r(geteuid(), &entry, buffer, sizeof buffer, &found) == 0 && found) {
        return found->pw_name;
    }
    return std::to_string(geteuid());
}

}  // namespace kavrel::diagnosis
