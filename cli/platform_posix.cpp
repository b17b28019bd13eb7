#include <unistd.h>

#include <ctime>

#include "cli/platform.h"

namespace kavrel::cli {

// The lister is started by fork and exec: close-on-exec keeps our files to ourselves.
const char kWriteNotInherited[] = "we";

bool PrepareTerminal() {
    return isatty(STDERR_FILENO) == 1;
}

std::string LocalTimeStamp() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[40];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S%z", &local);
    return text;
}

}  // namespace kavrel::cli
