#include "tools/zorvik/port_list.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <random>
#include <string_view>

namespace kavrel::zorvik {

namespace {

// Temporary lists of earlier runs that were killed before they renamed theirs.
void RemoveLeftovers(const std::string& folder) {
    DIR* entries = opendir(folder.c_str());
    if (!entries) {
        return;
    }
    while (const dirent* entry = readdir(entries)) {
        if (IsTemporaryList(entry->d_name)) {
            unlinkat(dirfd(entries), entry->d_name, 0);
        }
    }
    closedir(entries);
}

bool WriteAll(int fd, const std::string& contents) {
    for (size_t done = 0; done < contents.size();) {
        const ssize_t count = write(fd, contents.data() + done, contents.size() - done);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            return false;
        }
        done += static_cast<size_t>(count);
    }
    return true;
}

// Gives the unnamed file `fd` a fresh temporary name, written into `temporary`; linkat never
// replaces a file, so the list reaches its own name by a rename afterwards.
bool NameUnnamedFile(int fd, std::string& temporary) {
    static constexpr std::string_view kLetters =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::mt19937 random{std::random_device{}()};
    std::uniform_int_distribution<size_t> pick(0, kLetters.size() - 1);
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::generate(temporary.end() - kTemporarySuffixLength, temporary.end(),
                      [&] { return kLetters[pick(random)]; });
        if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temporary.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            return true;
        }
        if (errno != EEXIST) {
            return false;
        }
    }
    return false;
}

}  // namespace

bool WritePortList(const std::string& folder, const std::string& contents) {
    RemoveLeftovers(folder);
    const std::string target = folder + "/" + std::string(port_list::kFileName);
    std::string temporary = target + "." + std::string(kTemporarySuffixLength, 'X');
    // Written unnamed, so that a kill before the end leaves nothing behind; a file system
    // without unnamed files gets a named temporary, which the next run removes if need be.
    bool named = false;
    int fd = open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0644);
    if (fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR)) {
        fd = mkostemp(temporary.data(), O_CLOEXEC);
        named = true;
    }
    if (fd < 0) {
        return false;
    }
    bool written = fchmod(fd, 0644) == 0 && WriteAll(fd, contents);
    if (written && !named) {
        written = named = NameUnnamedFile(fd, temporary);
    }
    written = close(fd) == 0 && written;
    if (!written || std::rename(temporary.c_str(), target.c_str()) != 0) {
        if (named) {
            unlink(temporary.c_str());
        }
        return false;
    }
    return true;
}

}  // namespace kavrel::zorvik
