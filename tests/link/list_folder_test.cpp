// Where the port list lives when the program folder cannot take it: only a private folder of
// this user is accepted, never one that others may enter or that is a link.
#include "link/list_folder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>

#include "tests/support/scratch_folder.h"

namespace kavrel {
namespace {

TEST(ListFolder, TakesTheProgramFolderOrElseAPrivateFolderOfThisUser) {
    struct Case {
        const char* what;
        std::function<void(const std::string& runtime, const std::string& elsewhere)> prepare;
        bool inRuntime;  // else in ~/.cache
    };
    const Case cases[] = {
        {"missing runtime folder is made", [](auto&, auto&) {}, true},
        {"open to others", [](auto& runtime, auto&) { mkdir(runtime.c_str(), 0755); }, false},
        {"a link to a private folder",
         [](auto& runtime, auto& elsewhere) {
             mkdir(elsewhere.c_str(), 0700);
             symlink(elsewhere.c_str(), runtime.c_str());
         },
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        testing::ScratchFolder scratch;
        const std::string runtime = scratch / "run/kavrel-configurator";
        mkdir((scratch / "run").c_str(), 0700);
        mkdir((scratch / "home").c_str(), 0700);
        setenv("XDG_RUNTIME_DIR", (scratch / "run").c_str(), 1);
        setenv("HOME", (scratch / "home").c_str(), 1);
        c.prepare(runtime, scratch / "elsewhere");

        const std::string& program = scratch.Path();
        EXPECT_EQ(ListFolder(program), program.substr(0, program.size() - 1)) << "writable";
        const std::string chosen = ListFolder(scratch / "no-such-program-folder/");
        EXPECT_EQ(chosen, c.inRuntime ? runtime : scratch / "home/.cache/kavrel-configurator");
        struct stat info {};
        ASSERT_EQ(lstat(chosen.c_str(), &info), 0);
        EXPECT_TRUE(S_ISDIR(info.st_mode));
        EXPECT_EQ(info.st_mode & 0777, 0700U);
    }
}

}  // namespace
}  // namespace kavrel
