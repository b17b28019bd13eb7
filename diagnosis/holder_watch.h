#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <mutex>
#include <optional>
#include <string>

#include "diagnosis/machine.h"
#include "diagnosis/open_holders.h"

namespace kavrel::diagnosis {

// FindOtherHolder for a port opened again and again: the walk through every process's
// descriptors is repeated only when the port's node may have been opened by another
// process since the last walk found nobody. The kernel reports every open of the node and
// whether the asking process made it; without such reports (an older kernel) every
// question walks.
class HolderWatch {
  public:
    HolderWatch();
    ~HolderWatch();
    HolderWatch(const HolderWatch&) = delete;
    HolderWatch& operator=(const HolderWatch&) = delete;

    std::optional<Holder> FindOtherHolder(const Machine& machine, const std::string& devicePath);

  private:
    // Watches the node at `devicePath` unless it is the one watched already; false when it
    // cannot be watched.
    bool Watch(const std::string& devicePath);
    // Whether a process other than `asking` opened the watched node since the last look,
    // or the kernel lost count.
    bool OthersOpened(pid_t asking);
    // Whether `node` is the watched node.
    bool SameNode(const struct stat& node) const;

    std::mutex mutex_;
    int reports_ = -1;  // the kernel's reports of opens, -1 when it gives none
    dev_t fileSystem_ = 0;
    ino_t node_ = 0;  // the watched node, 0 for none
    timespec changed_{};
    bool nobodyElse_ = false;  // the last walk found no holder, and no one opened it since
};

}  // namespace kavrel::diagnosis
