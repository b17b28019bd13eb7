#include "diagnosis/open_holders.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string_view>

namespace kavrel::diagnosis {

namespace {

// The kernel keeps a program's name to 15 characters.
constexpr size_t kKernelNameLength = 15;

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};
using Dir = std::unique_ptr<DIR, DirCloser>;

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

// The first process under /proc other than the asking one that `matches` (given the
// process's folder), with its name.
std::optional<Holder> FindProcess(const Machine& machine,
                                  const std::function<bool(int processDir)>& matches) {
    const Dir proc(opendir(machine.proc.c_str()));
    if (!proc) {
        return std::nullopt;
    }
    while (const dirent* entry = readdir(proc.get())) {
        if (!IsNumber(entry->d_name)) {
            continue;
        }
        const pid_t pid = static_cast<pid_t>(std::atol(entry->d_name));
        if (pid == machine.pid) {
            continue;
        }
        const int processDir =
            openat(dirfd(proc.get()), entry->d_name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (processDir < 0) {
            continue;  // ended meanwhile
        }
        std::optional<Holder> found;
        if (matches(processDir)) {
            found = Holder{pid, ProgramName(processDir)};
        }
        close(processDir);
        if (found) {
            return found;
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<Holder> FindOtherHolder(const Machine& machine, const std::string& devicePath) {
    struct stat node {};
    const bool isDeviceNode = stat(devicePath.c_str(), &node) == 0 && S_ISCHR(node.st_mode);
    // Device nodes live under /dev; following any other descriptor could wait on a
    // network file system.
    const std::string devFolder = machine.dev + "/";

    const auto holdsDevice = [&](int processDir) {
        const int fdDir = openat(processDir, "fd", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        const Dir fds(fdDir < 0 ? nullptr : fdopendir(fdDir));
        if (!fds) {
            if (fdDir >= 0) {
                close(fdDir);
            }
            return false;  // another user's process, or ended meanwhile
        }
        char buffer[4096];
        while (const dirent* entry = readdir(fds.get())) {
            const ssize_t size = readlinkat(fdDir, entry->d_name, buffer, sizeof buffer);
            if (size <= 0) {
                continue;
            }
            const std::string_view target(buffer, static_cast<size_t>(size));
            if (target == devicePath) {
                return true;
            }
            struct stat opened {};
            if (isDeviceNode && target.starts_with(devFolder) &&
                fstatat(fdDir, entry->d_name, &opened, 0) == 0 && S_ISCHR(opened.st_mode) &&
                opened.st_rdev == node.st_rdev) {
                return true;
            }
        }
        return false;
    };
    return FindProcess(machine, holdsDevice);
}

std::optional<Holder> FindProgram(const Machine& machine, const std::string& program) {
    return FindProcess(
        machine, [&](int processDir) { return ReadProcessFile(processDir, "comm") == program; });
}

}  // namespace kavrel::diagnosis
