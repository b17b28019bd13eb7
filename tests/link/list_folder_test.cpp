// Where the port list lives when the program folder cannot take it: only a private folder of
// this user is accepted, never one that others may enter or that is a link.
#include "link/list_folder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "tests/support/scratch_folder.h"

namespace kavrel {
namespace {

TEST(ListFolder, TakesTheProgramFolderOrElseAPrivateFolderOfThisUser) {
    // What stands at $XDG_RUNTIME_DIR/kavrel-configurator: nothing (it is made), a folder
    // open to others, a link to a private folder; the last two send the list to ~/.cache.
    // Without XDG_RUNTIME_DIR and with no home to write in, no folder will do.
    for (int runtimeCase = 0; runtimeCase < 4; ++runtimeCase) {
        SCOPED_TRACE(runtimeCase);
        testing::ScratchFolder scratch;
        const std::string runtime = scratch / "run/kavrel-configurator";
        for (const char* folder : {"run", "home", "elsewhere"}) {
            mkdir((scratch / folder).c_str(), 0700);
        }
        setenv("XDG_RUNTIME_DIR", (scratch / "run").c_str(), 1);
        setenv("HOME", (scratch / "home").c_str(), 1);
        if (runtimeCase == 1) {
            ASSERT_EQ(mkdir(runtime.c_str(), 0755), 0);
        } else if (runtimeCase == 2) {
            ASSERT_EQ(symlink((scratch / "elsewhere").c_str(), runtime.c_str()), 0);
        } else if (runtimeCase == 3) {
            unsetenv("XDG_RUNTIME_DIR");
            setenv("HOME", (scratch / "no-such-home").c_str(), 1);
            EXPECT_EQ(ListFolder(scratch / "no-such-program-folder/"), std::nullopt);
            continue;
        }
        const std::string& program = scratch.Path();
        EXPECT_EQ(ListFolder(program), program.substr(0, program.size() - 1)) << "writable";
        const std::string chosen = ListFolder(scratch / "no-such-program-folder/").value_or("");
        EXPECT_EQ(chosen, runtimeCase == 0 ? runtime : scratch / "home/.cache/kavrel-configurator");
        struct stat info {};
        ASSERT_EQ(lstat(chosen.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & (S_IFMT | 0777), S_IFDIR | 0700U);  // a private folder
    }
}

}  // namespace
}  // namespace kavrel
