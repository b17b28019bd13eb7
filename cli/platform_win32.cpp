#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "cli/platform.h"

namespace kavrel::cli {

// The lister is started with no handles passed on, so nothing needs marking.
const char kWriteNotInherited[] = "w";

bool PrepareTerminal() {
    SetConsoleOutputCP(CP_UTF8);
    if (!_isatty(_fileno(stderr))) {
        return false;
    }
    const HANDLE console = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    return GetConsoleMode(console, &mode) &&
           SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}

std::string LocalTimeStamp() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_s(&local, &now);
    // The runtime's %z gives the zone's name, so the offset is worked out here.
    const long offsetMinutes = static_cast<long>(_mkgmtime(&local) - now) / 60;
    char text[40];
    const size_t length = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    std::snprintf(text + length, sizeof text - length, "%c%02ld%02ld",
                  offsetMinutes < 0 ? '-' : '+', std::labs(offsetMinutes) / 60,
                  std::labs(offsetMinutes) % 60);
    return text;
}

}  // namespace kavrel::cli
