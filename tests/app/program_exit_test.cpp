// The real kavrel-configurator: closing wndMain while idle ends the process with code 0.
// The close request comes from SIGTERM, which the program takes as the operator's close.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

extern char** environ;

namespace {

using namespace std::chrono_literals;

// Whether the process has its SIGTERM handler in place (the "SigCgt" mask of /proc).
bool CatchesSigterm(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("SigCgt:", 0) == 0) {
            const unsigned long long mask = std::stoull(line.substr(7), nullptr, 16);
            return (mask >> (SIGTERM - 1)) & 1U;
        }
    }
    return false;
}

// Waits up to `limit` for the child to end; its wait status, or nothing.
std::optional<int> WaitFor(pid_t pid, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            return status;
        }
        std::this_thread::sleep_for(20ms);
    }
    return std::nullopt;
}

TEST(ProgramExit, ClosingTheIdleMainWindowEndsTheProcessWithCodeZero) {
    const char* binDir = std::getenv("KAVREL_BIN_DIR");
    ASSERT_NE(binDir, nullptr) << "KAVREL_BIN_DIR names the folder of kavrel-configurator";
    const std::string program = std::string(binDir) + "/kavrel-configurator";
    char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ), 0);

    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (!CatchesSigterm(pid) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(20ms);
    }
    ASSERT_TRUE(CatchesSigterm(pid)) << "the program did not come up within 20 s";
    ASSERT_EQ(kill(pid, SIGTERM), 0);

    const std::optional<int> status = WaitFor(pid, 20s);
    if (!status) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        FAIL() << "the program did not end within 20 s of the close request";
    }
    ASSERT_TRUE(WIFEXITED(*status)) << "ended by signal " << WTERMSIG(*status);
    EXPECT_EQ(WEXITSTATUS(*status), 0);
}

}  // namespace
