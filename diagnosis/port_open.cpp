#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <sstream>

#include "diagnosis/cause_texts.h"
#include "diagnosis/causes.h"
#include "diagnosis/open_holders.h"

namespace kavrel::diagnosis {

namespace {

struct Group {
    std::string name;
    std::vector<std::string> members;
};

// The group's entry in the group file (name:password:number:member,member,...); a group
// the file does not know is named by its number.
Group LookUpGroup(const std::string& groupFile, gid_t gid) {
    std::ifstream in(groupFile);
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        std::string name, password, number, members;
        std::getline(fields, name, ':');
        std::getline(fields, password, ':');
        std::getline(fields, number, ':');
        std::getline(fields, members);
        if (number != std::to_string(gid)) {
            continue;
        }
        Group group{name, {}};
        std::istringstream list(members);
        for (std::string member; std::getline(list, member, ',');) {
            group.members.push_back(member);
        }
        return group;
    }
    return {std::to_string(gid), {}};
}

template <typename T>
bool Contains(const std::vector<T>& values, const T& value) {
    return std::find(values.begin(), values.end(), value) != values.end();
}

std::string WhyNoAccess(const Machine& machine, const std::string& devicePath) {
    struct stat node {};
    if (stat(devicePath.c_str(), &node) != 0) {
        return {};
    }
    constexpr mode_t kGroupReadWrite = S_IRGRP | S_IWGRP;
    if ((node.st_mode & kGroupReadWrite) != kGroupReadWrite) {
        return texts::PortForOwnerOnly(texts::Shown(devicePath));
    }
    if (Contains(machine.groups, node.st_gid)) {
        return {};  // the group is not what keeps this user out
    }
    const Group group = LookUpGroup(machine.groupFile, node.st_gid);
    return Contains(group.members, machine.userName)
               ? texts::PortNeedsNewLogin(texts::Shown(devicePath), group.name, machine.userName)
               : texts::PortNeedsGroup(texts::Shown(devicePath), group.name, machine.userName);
}

}  // namespace

std::string WhyPortDoesNotOpen(const Machine& machine, const std::string& devicePath,
                               int openErrno) {
    switch (openErrno) {
        case EACCES:
        case EPERM:
            return WhyNoAccess(machine, devicePath);
        case ENOENT:
        case ENODEV:
        case ENXIO:
            return texts::PortGone(texts::Shown(devicePath));
        case 0:
        case ENOTTY:
            return {};  // a name that is no terminal, or our own terminal
        default:
            break;
    }
    if (const auto holder = FindOtherHolder(machine, devicePath)) {
        return holder->program == "ModemManager"
                   ? texts::PortProbedByModemManager(texts::Shown(devicePath), *holder)
                   : texts::PortHeldByProgram(texts::Shown(devicePath), *holder);
    }
    return openErrno == EBUSY || openErrno == EWOULDBLOCK
               ? texts::PortBusy(texts::Shown(devicePath))
               : std::string();
}

}  // namespace kavrel::diagnosis
