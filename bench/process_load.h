#pragma once

// A desktop's worth of other processes: each holds a fixed number of open files, as a
// browser or an editor does, so that whatever walks the machine's processes pays for them.

#include <sys/types.h>

#include <string>
#include <vector>

namespace kavrel::bench {

class ProcessLoad {
  public:
    // Starts `processes` processes of `files` open files each (devices, files in `folder`,
    // pipes, sockets, event counters) and returns once all of them hold their files. They
    // end with this object, or with this process if it dies first.
    ProcessLoad(int processes, int files, const std::string& folder);
    ~ProcessLoad();
    ProcessLoad(const ProcessLoad&) = delete;
    ProcessLoad& operator=(const ProcessLoad&) = delete;

    int Started() const { return static_cast<int>(pids_.size()); }

  private:
    std::vector<pid_t> pids_;
};

}  // namespace kavrel::bench
