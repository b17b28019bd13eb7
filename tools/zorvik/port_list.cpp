#include "tools/zorvik/port_list.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace kavrel::zorvik {

std::string FormatPortList(const std::vector<SerialPort>& ports) {
    std::string list;
    for (const SerialPort& port : ports) {
        list += port.description + " (" + port.path + ")\n";
    }
    return list;
}

bool WritePortList(const std::string& folder, const std::string& contents) {
    const std::string target = folder + "/" + kPortListName;
    std::string temporary = target + ".XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0) {
        return false;
    }
    bool written = fchmod(fd, 0644) == 0;
    for (size_t done = 0; written && done < contents.size();) {
        const ssize_t count = write(fd, contents.data() + done, contents.size() - done);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        written = count > 0;
        done += written ? static_cast<size_t>(count) : 0;
    }
    written = close(fd) == 0 && written;
    if (!written || std::rename(temporary.c_str(), target.c_str()) != 0) {
        unlink(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace kavrel::zorvik
