#include "tools/virtual-cable/cable_registry.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace kavrel::cable {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kCableExtension = ".cable";

bool ProcessRuns(pid_t pid) {
    return pid > 0 && (kill(pid, 0) == 0 || errno != ESRCH);
}

}  // namespace

std::string RegistryFolder() {
    if (const char* folder = std::getenv("KAVREL_CABLE_REGISTRY"); folder && *folder) {
        return folder;
    }
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
        return std::string(runtime) + "/kavrel-sim";
    }
    return "/tmp/kavrel-sim-" + std::to_string(getuid());
}

CableRegistration::CableRegistration(const std::string& ptyPath, const std::string& folder) {
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        return;
    }
    // A process may register more than one pseudo-terminal (the tests do).
    static std::atomic<int> serial = 0;
    const std::string name = std::to_string(getpid()) + "-" + std::to_string(serial++);
    const std::string file = folder + "/" + name + std::string(kCableExtension);
    const std::string partial = folder + "/." + name + ".partial";
    {
        std::ofstream out(partial, std::ios::trunc);
        out << getpid() << '\n' << ptyPath << '\n';
        if (!out.flush()) {
            std::error_code ignored;
            fs::remove(partial, ignored);
            return;
        }
    }
    // The lister sees the registration whole or not at all.
    if (std::rename(partial.c_str(), file.c_str()) != 0) {
        std::error_code ignored;
        fs::remove(partial, ignored);
        return;
    }
    file_ = file;
}

CableRegistration::~CableRegistration() {
    if (!file_.empty()) {
        unlink(file_.c_str());
    }
}

std::vector<VirtualCable> LiveCables(const std::string& folder) {
    std::vector<VirtualCable> cables;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
        if (entry.path().extension() != kCableExtension) {
            continue;
        }
        std::ifstream in(entry.path());
        VirtualCable cable;
        if (!(in >> cable.pid) || !(in >> std::ws) || !std::getline(in, cable.ptyPath)) {
            continue;
        }
        struct stat pty {};
        if (ProcessRuns(cable.pid) && stat(cable.ptyPath.c_str(), &pty) == 0 &&
            S_ISCHR(pty.st_mode)) {
            cables.push_back(std::move(cable));
        }
    }
    std::sort(cables.begin(), cables.end(),
              [](const VirtualCable& a, const VirtualCable& b) { return a.ptyPath < b.ptyPath; });
    return cables;
}

}  // namespace kavrel::cable
