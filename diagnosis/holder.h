#pragma once

#include <sys/types.h>

#include <string>

namespace kavrel::diagnosis {

// A process that has a device open: its number and its program's name.
struct Holder {
    pid_t pid = 0;
    std::string program;
};

}  // namespace kavrel::diagnosis
