#pragma once

#include <sys/types.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace kavrel::diagnosis {

// The processes this user runs, for telling apart "not in the group" from "joined the
// group after logging in".
std::vector<gid_t> ProcessGroups();
// This user's login name, or the user number when the user database does not know it.
std::string UserName();

// The machine the diagnosis reads, and who asks. A default-constructed one is this
// machine and this process; tests point the roots at fake trees and pick the user.
struct Machine {
    std::string sys = "/sys";
    std::string proc = "/proc";
    std::string dev = "/dev";
    std::string groupFile = "/etc/group";

    pid_t pid = getpid();  // the asking process, never reported as holding a device
    std::vector<gid_t> groups = ProcessGroups();
    std::string userName = UserName();
};

}  // namespace kavrel::diagnosis
