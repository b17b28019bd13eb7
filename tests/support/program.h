#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

namespace kavrel::testing {

// One of the built programs ($KAVREL_BIN_DIR) run with its standard output and error on one
// pipe; killed at the end of the test if it still runs.
class Program {
  public:
    Program(const std::string& name, std::vector<std::string> args) {
        args.insert(args.begin(), std::getenv("KAVREL_BIN_DIR") + ("/" + name));
        std::vector<char*> argv(args.size() + 1);
        std::transform(args.begin(), args.end(), argv.begin(), [](auto& a) { return a.data(); });
        int ends[2];
        if (pipe2(ends, O_CLOEXEC) != 0) {
            throw std::system_error(errno, std::generic_category(), "pipe2");
        }
        if ((pid = fork()) == 0) {
            dup2(ends[1], 1), dup2(ends[1], 2);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(ends[1]);
        output_ = ends[0];
    }
    ~Program() { End(SIGKILL); }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // A line of output, "" after its end or 10 s of silence.
    std::string Line() { return Read('\n'); }
    // Sends `signal` (0 for none) and reads the output to its end: the exit code, -1 when it
    // did not exit by itself or had ended already.
    int End(int signal = 0) {
        if (pid <= 0) {
            return -1;
        }
        kill(pid, signal);
        out += Read(-1);
        kill(pid, SIGKILL);  // ignored once it exits
        int status = 0;
        waitpid(std::exchange(pid, 0), &status, 0);
        close(output_);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    pid_t pid = 0;
    std::string out;  // the output End read

  private:
    std::string Read(int stop) const {
        std::string text;
        char c = 0;
        for (pollfd ready{output_, POLLIN, 0};
             poll(&ready, 1, 10000) == 1 && read(output_, &c, 1) == 1 && c != stop;) {
            text += c;
        }
        return text;
    }
    int output_ = -1;
};

// kavrel-sim and the terminal it answers on, the first line it prints.
struct Simulator : Program {
    explicit Simulator(std::vector<std::string> options = {})
        : Program("kavrel-sim", std::move(options)) {}
    const std::string path = Line();
};

}  // namespace kavrel::testing
