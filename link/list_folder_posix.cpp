#include "link/list_folder.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace kavrel {

namespace {

constexpr const char* kPrivateName = "/kavrel-configurator";

std::string WithoutTrailingSlash(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/') {
        folder.pop_back();
    }
    return folder;
}

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string HomeFolder() {
    std::string home = Environment("HOME");
    if (home.empty()) {
        if (const passwd* entry = getpwuid(geteuid()); entry && entry->pw_dir) {
            home = entry->pw_dir;
        }
    }
    return home;
}

// Creates `folder` owner-only when missing; true when it is now a folder (not a link to
// one) owned by this user with no access for group or others.
bool IsPrivateFolder(const std::string& folder) {
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        return false;
    }
    struct stat info {};
    return lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == geteuid() &&
           (info.st_mode & 077) == 0;
}

}  // namespace

std::optional<std::string> ListFolder(const std::string& programFolder) {
    std::string folder = WithoutTrailingSlash(programFolder);
    // The effective user is the one who writes the list, so ask about that user.
    if (faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0) {
        return folder;
    }
    // Relative paths are refused: they would land wherever the program was started.
    if (const std::string runtime = Environment("XDG_RUNTIME_DIR");
        runtime.starts_with('/') && IsPrivateFolder(runtime + kPrivateName)) {
        return runtime + kPrivateName;
    }
    if (const std::string home = HomeFolder(); home.starts_with('/')) {
        const std::string cache = home + "/.cache";
        mkdir(cache.c_str(), 0700);  // when missing; the check below judges the outcome
        if (IsPrivateFolder(cache + kPrivateName)) {
            return cache + kPrivateName;
        }
    }
    return std::nullopt;
}

}  // namespace kavrel
