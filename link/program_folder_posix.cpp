#include "link/program_folder.h"

#include <unistd.h>

#include <vector>

namespace kavrel {

std::string ProgramFolder() {
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) {
            return {};
        }
        if (static_cast<size_t>(length) < buffer.size()) {
            std::string path(buffer.data(), static_cast<size_t>(length));
            return path.substr(0, path.rfind('/') + 1);
        }
        buffer.resize(buffer.size() * 2);  // the path may have been cut: try a larger buffer
    }
}

}  // namespace kavrel
