#include "tools/virtual-cable/cable_registry.h"

#include <gtest/gtest.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "tests/support/scratch_folder.h"

namespace kavrel::cable {
namespace {

using testing::ScratchFolder;

class Pty {
  public:
    Pty() {
        char name[256] = {};
        if (openpty(&master_, &slave_, name, nullptr, nullptr) == 0) {
            path = name;
        }
    }
    ~Pty() {
        close(master_);
        close(slave_);
    }
    std::string path;

  private:
    int master_ = -1;
    int slave_ = -1;
};

void SetOrUnset(const char* name, const char* value) {
    if (value) {
        setenv(name, value, 1);
    } else {
        unsetenv(name);
    }
}

TEST(RegistryFolderTest, OverrideThenRuntimeFolderThenTmp) {
    struct Case {
        const char* override;
        const char* runtime;
        std::string folder;
    };
    const std::string tmp = "/tmp/kavrel-sim-" + std::to_string(getuid());
    for (const Case& c : {Case{"/x/reg", "/run/user/7", "/x/reg"},
                          Case{nullptr, "/run/user/7", "/run/user/7/kavrel-sim"},
                          Case{"", "/run/user/7", "/run/user/7/kavrel-sim"},
                          Case{nullptr, nullptr, tmp}, Case{nullptr, "", tmp}}) {
        SetOrUnset("KAVREL_CABLE_REGISTRY", c.override);
        SetOrUnset("XDG_RUNTIME_DIR", c.runtime);
        EXPECT_EQ(RegistryFolder(), c.folder);
    }
}

TEST(CableRegistrationTest, ListedWhileAliveAndRemovedAtTheEnd) {
    ScratchFolder folder;
    const std::string registry = folder / "registry";
    Pty first;
    Pty second;
    std::string file;
    {
        CableRegistration a(first.path, registry);
        CableRegistration b(second.path, registry);
        ASSERT_TRUE(a.IsRegistered());
        ASSERT_TRUE(b.IsRegistered());
        file = a.File();
        EXPECT_NE(a.File(), b.File());

        struct stat info {};
        ASSERT_EQ(stat(registry.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0700u) << "the registry is the user's own";

        const std::vector<VirtualCable> cables = LiveCables(registry);
        ASSERT_EQ(cables.size(), 2u);
        for (const VirtualCable& cable : cables) {
            EXPECT_EQ(cable.pid, getpid());
            EXPECT_TRUE(cable.ptyPath == first.path || cable.ptyPath == second.path);
        }
    }
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_TRUE(LiveCables(registry).empty());
}

TEST(CableRegistrationTest, StaleAndMalformedRegistrationsAreSkipped) {
    ScratchFolder folder;
    Pty pty;
    const pid_t ended = fork();
    if (ended == 0) {
        _exit(0);
    }
    waitpid(ended, nullptr, 0);
    folder.Write("registry/ended.cable", std::to_string(ended) + "\n" + pty.path + "\n");
    folder.Write("registry/gone.cable", std::to_string(getpid()) + "\n/dev/pts/999999\n");
    folder.Write("registry/file.cable", std::to_string(getpid()) + "\n" + (folder / "x") + "\n");
    folder.Write("x", "not a terminal");
    folder.Write("registry/garbled.cable", "pid\n");
    folder.Write("registry/other.txt", std::to_string(getpid()) + "\n" + pty.path + "\n");
    EXPECT_TRUE(LiveCables(folder / "registry").empty());
    EXPECT_TRUE(LiveCables(folder / "missing").empty());
}

TEST(CableRegistrationTest, UnwritableRegistryLeavesTheCableUnlisted) {
    ScratchFolder folder;
    folder.Write("file", "");
    Pty pty;
    CableRegistration registration(pty.path, folder / "file/registry");
    EXPECT_FALSE(registration.IsRegistered());
}

}  // namespace
}  // namespace kavrel::cable
