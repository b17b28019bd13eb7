#include "link/port_list_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace kavrel {

namespace {

constexpr size_t kFirstReadBytes = 4096;

// Reads until the end of the file or `limit` bytes; nothing on a read error.
std::optional<std::string> ReadAtMost(int fd, size_t sizeHint, size_t limit) {
    std::string bytes(std::clamp(sizeHint + 1, kFirstReadBytes, limit), '\0');
    size_t used = 0;
    while (used < limit) {
        if (used == bytes.size()) {
            bytes.resize(std::min(bytes.size() * 2, limit));  // the file has grown
        }
        const ssize_t n = read(fd, bytes.data() + used, bytes.size() - used);
        if (n == 0) {
            break;
        }
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return std::nullopt;
        }
        used += static_cast<size_t>(n);
    }
    bytes.resize(used);
    return bytes;
}

}  // namespace

std::optional<std::string> ReadPortList(const std::string& path) {
    // Looked at before it is opened: opening a device can itself act (a serial line raises
    // its modem lines), and opening a FIFO would release a writer waiting for a reader.
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return std::nullopt;
    }
    const int fd = open(path.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    std::optional<std::string> bytes;
    // The name may have been given to something else between the look and the open.
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        bytes = ReadAtMost(fd, static_cast<size_t>(info.st_size), kMaxPortListBytes);
    }
    close(fd);
    return bytes;
}

}  // namespace kavrel
