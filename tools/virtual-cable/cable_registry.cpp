#include "tools/virtual-cable/cable_registry.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string_view>

namespace kavrel::cable {

namespace {

constexpr std::string_view kCableExtension = ".cable";
constexpr std::string_view kPseudoTerminalFolder = "/dev/pts/";

void ReportIgnored(const std::string& folder, const char* reason) {
    std::cerr << "cable registry " << folder << " ignored: " << reason << "\n";
}

// The registry folder opened, when it is a folder (not a link to one) of this user that
// nobody else may enter; -1 otherwise. A missing folder is created when `create` is set;
// else it only means that no simulator has registered yet.
int OpenRegistry(const std::string& folder, bool create) {
    if (create && mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        ReportIgnored(folder, std::strerror(errno));
        return -1;
    }
    const int registry = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (registry < 0 && errno == ENOENT) {
        return -1;
    }
    struct stat status {};
    if (registry < 0 || fstat(registry, &status) != 0 || status.st_uid != geteuid() ||
        (status.st_mode & 077) != 0) {
        ReportIgnored(folder, "not a folder of this user closed to others");
        if (registry >= 0) {
            close(registry);
        }
        return -1;
    }
    return registry;
}

// The registration `name` opened, while its simulator still holds its lock; -1 otherwise. A
// registration whose lock is free is removed. The probe asks for a shared lock, so that two
// listers probing at once both find a stale registration stale.
int OpenIfLive(int registry, const char* name) {
    const int file = openat(registry, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (file < 0) {
        return -1;
    }
    if (flock(file, LOCK_SH | LOCK_NB) == 0) {
        unlinkat(registry, name, 0);
    } else if (errno == EWOULDBLOCK) {
        return file;
    }
    close(file);
    return -1;
}

// Names the unnamed file `file` in the registry. A stale registration of the same name (left
// by a killed process whose pid this one got) is removed first; a live one is left alone.
bool Publish(int file, int registry, const std::string& name) {
    const std::string self = "/proc/self/fd/" + std::to_string(file);
    const auto link = [&] {
        return linkat(AT_FDCWD, self.c_str(), registry, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
    };
    if (link()) {
        return true;
    }
    if (errno != EEXIST) {
        return false;
    }
    if (const int other = OpenIfLive(registry, name.c_str()); other >= 0) {
        close(other);
        errno = EEXIST;
        return false;
    }
    return link();
}

std::string FirstLine(int file) {
    char bytes[256];
    const ssize_t count = read(file, bytes, sizeof bytes);
    const std::string text(bytes, count > 0 ? static_cast<size_t>(count) : 0);
    return text.substr(0, text.find('\n'));
}

// Only the slave side of a pseudo-terminal may be offered as a cable: a stale or planted path
// must never lead the configurator to a real device or someone's file.
bool IsPseudoTerminalSlave(const std::string& path) {
    const std::string_view number =
        std::string_view(path).substr(std::min(path.size(), kPseudoTerminalFolder.size()));
    struct stat status {};
    return path.starts_with(kPseudoTerminalFolder) && !number.empty() &&
           std::all_of(number.begin(), number.end(),
                       [](unsigned char c) { return std::isdigit(c); }) &&
           stat(path.c_str(), &status) == 0 && S_ISCHR(status.st_mode);
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
    const int registry = OpenRegistry(folder, true);
    if (registry < 0) {
        return;
    }
    // A process may register more than one pseudo-terminal (the tests do).
    static std::atomic<int> serial = 0;
    const std::string name =
        std::to_string(getpid()) + "-" + std::to_string(serial++) + std::string(kCableExtension);
    const std::string line = ptyPath + "\n";
    // Locked while it has no name yet, so that a lister never finds it unlocked.
    const int file = openat(registry, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (file >= 0 && flock(file, LOCK_EX) == 0 &&
        write(file, line.data(), line.size()) == static_cast<ssize_t>(line.size()) &&
        Publish(file, registry, name)) {
        file_ = folder + "/" + name;
        lock_ = file;
    } else {
        std::cerr << "cannot register " << ptyPath << " in " << folder << ": "
                  << std::strerror(errno) << "\n";
        if (file >= 0) {
            close(file);
        }
    }
    close(registry);
}

CableRegistration::~CableRegistration() {
    if (lock_ >= 0) {
        unlink(file_.c_str());
        close(lock_);
    }
}

std::vector<VirtualCable> LiveCables(const std::string& folder) {
    std::vector<VirtualCable> cables;
    const int registry = OpenRegistry(folder, false);
    DIR* entries = registry >= 0 ? fdopendir(registry) : nullptr;
    if (!entries) {
        if (registry >= 0) {
            close(registry);
        }
        return cables;
    }
    while (const dirent* entry = readdir(entries)) {
        if (!std::string_view(entry->d_name).ends_with(kCableExtension)) {
            continue;
        }
        const int file = OpenIfLive(registry, entry->d_name);
        if (file < 0) {
            continue;
        }
        std::string ptyPath = FirstLine(file);
        close(file);
        if (IsPseudoTerminalSlave(ptyPath)) {
            cables.push_back({std::move(ptyPath)});
        }
    }
    closedir(entries);
    std::sort(cables.begin(), cables.end(),
              [](const VirtualCable& a, const VirtualCable& b) { return a.ptyPath < b.ptyPath; });
    return cables;
}

}  // namespace kavrel::cable
