#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/support/scratch_folder.h"
#include "tools/virtual-cable/cable_registry.h"

extern char** environ;

namespace kavrel::cable {
namespace {

using testing::ScratchFolder;

// The kavrel-sim program, started from the test's folder; its first line is awaited.
class RunningSimulator {
  public:
    RunningSimulator(const ScratchFolder& folder, bool registerCable) {
        folder.CopyProgram("kavrel-sim");
        int out[2];
        if (pipe(out) != 0) {
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        std::string program = folder / "kavrel-sim";
        std::string option = "--no-register";
        char* arguments[] = {program.data(), registerCable ? nullptr : option.data(), nullptr};
        posix_spawn(&pid_, program.c_str(), &actions, nullptr, arguments, environ);
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        output_ = out[0];
        firstLine = ReadLine();
    }
    ~RunningSimulator() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        close(output_);
    }
    // Ends it as the demo does; its exit status.
    int Terminate() {
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = 0;
        return status;
    }
    pid_t Pid() const { return pid_; }
    std::string firstLine;

  private:
    std::string ReadLine() {
        std::string line;
        char c = 0;
        pollfd ready{output_, POLLIN, 0};
        while (poll(&ready, 1, 10000) == 1 && read(output_, &c, 1) == 1 && c != '\n') {
            line += c;
        }
        return line;
    }
    pid_t pid_ = 0;
    int output_ = -1;
};

TEST(SimulatorCableTest, ListedFromItsFirstLineUntilItIsTerminated) {
    ScratchFolder folder;
    setenv("KAVREL_CABLE_REGISTRY", (folder / "registry").c_str(), 1);
    RunningSimulator simulator(folder, true);
    ASSERT_EQ(simulator.firstLine.rfind("/dev/pts/", 0), 0u) << simulator.firstLine;

    const std::vector<VirtualCable> cables = LiveCables(folder / "registry");
    ASSERT_EQ(cables.size(), 1u);
    EXPECT_EQ(cables[0].pid, simulator.Pid());
    EXPECT_EQ(cables[0].ptyPath, simulator.firstLine);

    const int status = simulator.Terminate();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(std::filesystem::is_empty(folder / "registry")) << "registration left behind";
}

TEST(SimulatorCableTest, NoRegisterKeepsItUnlisted) {
    ScratchFolder folder;
    setenv("KAVREL_CABLE_REGISTRY", (folder / "registry").c_str(), 1);
    RunningSimulator simulator(folder, false);
    ASSERT_EQ(simulator.firstLine.rfind("/dev/pts/", 0), 0u) << simulator.firstLine;
    EXPECT_TRUE(LiveCables(folder / "registry").empty());
}

}  // namespace
}  // namespace kavrel::cable
