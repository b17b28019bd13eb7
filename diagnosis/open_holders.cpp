#include "diagnosis/open_holders.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <functional>
#include <string_view>
#include <unordered_map>

namespace kavrel::diagnosis {

namespace {

// The kernel keeps a program's name to 15 characters.
constexpr size_t kKernelNameLength = 15;

bool IsNumber(const char* name) {
    if (*name == '\0') {
        return false;
    }
    for (; *name; ++name) {
        if (!std::isdigit(static_cast<unsigned char>(*name))) {
            return false;
        }
    }
    return true;
}

// A small /proc file of the process, without its trailing newline; "" when unreadable.
std::string ReadProcessFile(int processDir, const char* name) {
    const int fd = openat(processDir, name, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return {};
    }
    char buffer[4096];
    const ssize_t size = read(fd, buffer, sizeof buffer);
    close(fd);
    std::string text(buffer, static_cast<size_t>(std::max<ssize_t>(size, 0)));
    if (!text.empty() && text.back() == '\n') {
        text.pop_back();
    }
    return text;
}

// The program's name: the kernel's, or where the kernel cut it short, the name it was
// started by when that begins the same way (kavrel-configur -> kavrel-configurator).
std::string ProgramName(int processDir) {
    std::string name = ReadProcessFile(processDir, "comm");
    if (name.size() < kKernelNameLength) {
        return name;
    }
    const std::string command = ReadProcessFile(processDir, "cmdline");
    std::string started = command.substr(0, command.find('\0'));
    started = started.substr(started.find_last_of('/') + 1);
    return started.compare(0, name.size(), name) == 0 ? started : name;
}

// Calls `visit` with the name of each entry of the open folder `dir` but "." and "..",
// while it returns true; reads the folder in large steps, as /proc folders are read often.
void ForEachEntry(int dir, const std::function<bool(const char* name)>& visit) {
    alignas(dirent64) char buffer[16384];
    for (ssize_t size; (size = getdents64(dir, buffer, sizeof buffer)) > 0;) {
        for (ssize_t at = 0; at < size;) {
            const auto* entry = reinterpret_cast<const dirent64*>(buffer + at);
            at += entry->d_reclen;
            if (entry->d_name[0] != '.' && !visit(entry->d_name)) {
                return;
            }
        }
    }
}

// The first process under /proc other than the asking one that `matches` (given the /proc
// folder and the process's number), with its name.
std::optional<Holder> FindProcess(const Machine& machine,
                                  const std::function<bool(int proc, const char* pid)>& matches) {
    const int proc = open(machine.proc.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (proc < 0) {
        return std::nullopt;
    }
    std::optional<Holder> found;
    ForEachEntry(proc, [&](const char* name) {
        if (!IsNumber(name)) {
            return true;
        }
        const pid_t pid = static_cast<pid_t>(std::atol(name));
        if (pid == machine.pid || !matches(proc, name)) {
            return true;
        }
        const int processDir = openat(proc, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (processDir < 0) {
            return true;  // ended meanwhile
        }
        found = Holder{pid, ProgramName(processDir)};
        close(processDir);
        return false;
    });
    close(proc);
    return found;
}

}  // namespace

std::optional<Holder> FindOtherHolder(const Machine& machine, const std::string& devicePath) {
    struct stat node {};
    const bool isDeviceNode = stat(devicePath.c_str(), &node) == 0 && S_ISCHR(node.st_mode);
    // A descriptor names the node it was opened through, so a link such as
    // /dev/serial/by-id/... is compared as the node it leads to.
    char resolved[PATH_MAX];
    const std::string nodePath =
        realpath(devicePath.c_str(), resolved) != nullptr ? resolved : devicePath;
    // Device nodes live under /dev; following any other descriptor could wait on a
    // network file system. Each such path is looked at once: every process holds /dev/null.
    const std::string devFolder = machine.dev + "/";
    std::unordered_map<std::string, bool> sameDevice;

    const auto holds = [&](int fdDir, const char* fd, std::string_view target) {
        if (target == devicePath || target == nodePath) {
            return true;
        }
        if (!isDeviceNode || !target.starts_with(devFolder)) {
            return false;
        }
        const auto [known, added] = sameDevice.try_emplace(std::string(target), false);
        struct stat opened {};
        if (added) {
            known->second = fstatat(fdDir, fd, &opened, 0) == 0 && S_ISCHR(opened.st_mode) &&
                            opened.st_rdev == node.st_rdev;
        }
        return known->second;
    };
    // Each process costs one open of its descriptor folder, refused at once for another
    // user's process, and one link read per descriptor.
    const auto holdsDevice = [&](int proc, const char* pid) {
        const std::string folder = std::string(pid) + "/fd";
        const int fdDir = openat(proc, folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fdDir < 0) {
            return false;  // another user's process, or ended meanwhile
        }
        bool found = false;
        char buffer[4096];
        ForEachEntry(fdDir, [&](const char* fd) {
            const ssize_t size = readlinkat(fdDir, fd, buffer, sizeof buffer);
            found =
                size > 0 && holds(fdDir, fd, std::string_view(buffer, static_cast<size_t>(size)));
            return !found;
        });
        close(fdDir);
        return found;
    };
    return FindProcess(machine, holdsDevice);
}

std::optional<Holder> FindProgram(const Machine& machine, const std::string& program) {
    return FindProcess(machine, [&](int proc, const char* pid) {
        const int processDir = openat(proc, pid, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (processDir < 0) {
            return false;  // ended meanwhile
        }
        const bool named = ReadProcessFile(processDir, "comm") == program;
        close(processDir);
        return named;
    });
}

}  // namespace kavrel::diagnosis
