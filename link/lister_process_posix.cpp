#include "link/lister_process.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <thread>

namespace kavrel {

const std::string_view kListerFileName = "Zorvik";

namespace {

constexpr auto kFallbackPollInterval = std::chrono::milliseconds(10);
// A killed lister normally dies at once; one stuck in the kernel (a sysfs read of a wedged
// USB device) dies only when that read returns, and the window must not wait for it.
constexpr auto kKilledListerGrace = std::chrono::milliseconds(500);

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

void Reap(pid_t pid) {
    while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
}

}  // namespace

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
        if (!WaitForExit(pid, kKilledListerGrace)) {
            // Reaped whenever it finally dies, so that it leaves no zombie behind.
            std::thread([pid] { Reap(pid); }).detach();
            return true;
        }
    }
    Reap(pid);
    return true;
}

}  // namespace kavrel
