#include "bench/process_load.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

namespace kavrel::bench {

namespace {

// What a child holds, round after round until it holds `files`: opened before fork, so
// the child only calls what is safe after forking a process that runs threads.
struct Paths {
    std::vector<std::string> devices{"/dev/null", "/dev/zero", "/dev/urandom"};
    std::vector<std::string> regular;
};

void HoldFiles(const Paths& paths, int files) {
    int held = 0;
    auto room = [&] { return held < files; };
    for (int before = -1; room() && held != before;) {
        before = held;
        for (const std::string& device : paths.devices) {
            if (room() && open(device.c_str(), O_RDONLY) >= 0) {
                ++held;
            }
        }
        for (const std::string& file : paths.regular) {
            if (room() && open(file.c_str(), O_RDONLY) >= 0) {
                ++held;
            }
        }
        int ends[2];
        if (held + 2 <= files && pipe(ends) == 0) {
            held += 2;
        }
        if (held + 2 <= files && socketpair(AF_UNIX, SOCK_STREAM, 0, ends) == 0) {
            held += 2;
        }
        if (room() && eventfd(0, 0) >= 0) {
            ++held;
        }
    }
}

}  // namespace

ProcessLoad::ProcessLoad(int processes, int files, const std::string& folder) {
    Paths paths;
    for (int i = 0; i < 4; ++i) {
        paths.regular.push_back(folder + "/load-file-" + std::to_string(i));
        std::ofstream(paths.regular.back()) << "load\n";
    }
    int ready[2];
    if (pipe2(ready, O_CLOEXEC) != 0) {
        std::perror("pipe2");
        return;
    }
    const pid_t parent = getpid();
    for (int i = 0; i < processes; ++i) {
        const pid_t pid = fork();
        if (pid == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (getppid() != parent) {
                _exit(0);
            }
            // Nothing of ours, the port least of all, stays open in the child.
            const int signal = dup2(ready[1], 3);
            close_range(4, ~0U, 0);
            HoldFiles(paths, files);
            const char byte = 1;
            if (signal == 3 && write(3, &byte, 1) == 1) {
                close(3);
                pause();
            }
            _exit(0);
        }
        if (pid < 0) {
            std::perror("fork");
            break;
        }
        pids_.push_back(pid);
    }
    close(ready[1]);
    char byte;
    for (size_t got = 0; got < pids_.size() && read(ready[0], &byte, 1) == 1; ++got) {
    }
    close(ready[0]);
}

ProcessLoad::~ProcessLoad() {
    for (const pid_t pid : pids_) {
        kill(pid, SIGKILL);
    }
    for (const pid_t pid : pids_) {
        waitpid(pid, nullptr, 0);
    }
}

}  // namespace kavrel::bench
