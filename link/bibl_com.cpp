#include "link/bibl_com.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <thread>
#include <vector>

#include "link/list_folder.h"
#include "link/user_interface.h"

namespace kavrel {

namespace {

constexpr std::string_view kListerName = "Zorvik";
constexpr std::string_view kListName = "listport.txt";
constexpr std::array<std::string_view, 2> kCableDescriptions = {
    "PROLIFIC USB-TO-SERIAL COMM PORT",
    "USB-SERIAL CH340",
};
constexpr auto kFallbackPollInterval = std::chrono::milliseconds(10);
constexpr size_t kFirstReadBytes = 4096;

// Waits for the child to end, at most `limit`; true when it has ended (not yet reaped).
bool WaitForExit(pid_t pid, std::chrono::milliseconds limit) {
    // Called through syscall(): not every C library declares pidfd_open.
    const int pidfd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    if (pidfd >= 0) {
        pollfd entry{pidfd, POLLIN, 0};
        const auto deadline = std::chrono::steady_clock::now() + limit;
        int ready = 0;
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            ready = poll(&entry, 1, static_cast<int>(std::max<int64_t>(left.count(), 0)));
            if (ready >= 0 || errno != EINTR) {
                break;
            }
        }
        close(pidfd);
        return ready > 0;
    }
    // Kernels before 5.3: look at the child at a modest rate.
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        siginfo_t info{};
        if (waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
            info.si_pid == pid) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(kFallbackPollInterval);
    }
}

// Reads until the end of the file or `limit` bytes; nothing on a read error.
std::optional<std::string> ReadAtMost(int fd, size_t sizeHint, size_t limit) {
    std::string bytes(std::clamp(sizeHint + 1, kFirstReadBytes, limit), '\0');
    size_t used = 0;
    while (used < limit) {
        if (used == bytes.size()) {
            bytes.resize(std::min(bytes.size() * 2, limit));  // the file has grown
        }
        const ssize_t n = read(fd, bytes.data() + used, bytes.size() - used);
        if (n == 0) {
            break;
        }
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return std::nullopt;
        }
        used += static_cast<size_t>(n);
    }
    bytes.resize(used);
    return bytes;
}

void Reap(pid_t pid) {
    while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
}

}  // namespace

std::string ProgramFolder() {
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) {
            return {};
        }
        if (static_cast<size_t>(length) < buffer.size()) {
            std::string path(buffer.data(), static_cast<size_t>(length));
            return path.substr(0, path.rfind('/') + 1);
        }
        buffer.resize(buffer.size() * 2);  // the path may have been cut: try a larger buffer
    }
}

bool RunAndWait(const std::string& path) {
    // The lister gets a process group of its own, so that ending it also ends anything
    // it started.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);

    std::string argument0 = path;
    char* arguments[] = {argument0.data(), nullptr};
    pid_t pid = 0;
    const int error = posix_spawn(&pid, path.c_str(), nullptr, &attributes, arguments, environ);
    posix_spawnattr_destroy(&attributes);
    if (error != 0) {
        return false;
    }

    if (!WaitForExit(pid, kListerTimeout)) {
        kill(-pid, SIGKILL);
        kill(pid, SIGKILL);
    }
    Reap(pid);
    return true;
}

std::optional<std::string> ReadPortList(const std::string& path) {
    // Looked at before it is opened: opening a device can itself act (a serial line raises
    // its modem lines), and opening a FIFO would release a writer waiting for a reader.
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return std::nullopt;
    }
    const int fd = open(path.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    std::optional<std::string> bytes;
    // The name may have been given to something else between the look and the open.
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        bytes = ReadAtMost(fd, static_cast<size_t>(info.st_size), kMaxPortListBytes);
    }
    close(fd);
    return bytes;
}

std::string PortNameFromList(std::string_view listBytes) {
    std::string result;
    size_t position = 0;
    while (position < listBytes.size()) {
        const size_t end = listBytes.find_first_of(std::string_view("\r\n\0", 3), position);
        const std::string_view line = listBytes.substr(
            position, end == std::string_view::npos ? std::string_view::npos : end - position);
        if (end == std::string_view::npos) {
            position = listBytes.size();
        } else {
            const bool crlf =
                listBytes[end] == '\r' && end + 1 < listBytes.size() && listBytes[end + 1] == '\n';
            position = end + (crlf ? 2 : 1);
        }

        bool namesCable = false;
        for (std::string_view description : kCableDescriptions) {
            namesCable = namesCable || line.find(description) != std::string_view::npos;
        }
        if (!namesCable) {
            continue;
        }
        const size_t open = line.find('(');
        const size_t close = line.find(')');
        if (open != std::string_view::npos && close != std::string_view::npos && close > open) {
            result = line.substr(open + 1, close - open - 1);
        }
    }
    return result;
}

std::string FindCablePort(UserInterface& ui, const std::string& folder) {
    if (!RunAndWait(folder + std::string(kListerName))) {
        ui.ShowMessage(MessageIcon::Error, "Ошибка!",
                       "При открытии файла \"" + std::string(kListerName) + "\" возникла ошибка");
        return {};
    }
    const auto list = ReadPortList(ListFolder(folder) + "/" + std::string(kListName));
    return list ? PortNameFromList(*list) : std::string();
}

}  // namespace kavrel
