#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace kavrel::cable {

// A simulated unit's pseudo-terminal, offered to the port lister as if it were a cable.
struct VirtualCable {
    pid_t pid = 0;
    std::string ptyPath;
};

// Where running simulators register their cables: $KAVREL_CABLE_REGISTRY when set, else
// $XDG_RUNTIME_DIR/kavrel-sim, else /tmp/kavrel-sim-<uid>.
std::string RegistryFolder();

// One registration of this process's pseudo-terminal, removed again when the object ends.
// The folder is created (owner only) when missing.
class CableRegistration {
  public:
    explicit CableRegistration(const std::string& ptyPath,
                               const std::string& folder = RegistryFolder());
    ~CableRegistration();
    CableRegistration(const CableRegistration&) = delete;
    CableRegistration& operator=(const CableRegistration&) = delete;

    // False when the registration could not be written; the simulator runs on unlisted.
    bool IsRegistered() const { return !file_.empty(); }
    const std::string& File() const { return file_; }

  private:
    std::string file_;
};

// The registered cables whose process still runs and whose pseudo-terminal still exists,
// ordered by path.
std::vector<VirtualCable> LiveCables(const std::string& folder = RegistryFolder());

}  // namespace kavrel::cable
