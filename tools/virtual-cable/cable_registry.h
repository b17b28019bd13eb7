#pragma once

#include <string>
#include <vector>

namespace kavrel::cable {

// A simulated unit's pseudo-terminal, offered to the port lister as if it were a cable.
struct VirtualCable {
    std::string ptyPath;
};

// Where running simulators register their cables: $KAVREL_CABLE_REGISTRY when set, else
// $XDG_RUNTIME_DIR/kavrel-sim, else /tmp/kavrel-sim-<uid>. The folder is used only while it
// is a folder of this user closed to everyone else; any other is ignored, with a line on
// standard error.
std::string RegistryFolder();

// One registration of this process's pseudo-terminal. It holds a lock on its file for as
// long as the object lives and removes the file when it ends; a registration whose lock is
// free belongs to a process that is gone. The folder is created (owner only) when missing.
class CableRegistration {
  public:
    explicit CableRegistration(const std::string& ptyPath,
                               const std::string& folder = RegistryFolder());
    ~CableRegistration();
    CableRegistration(const CableRegistration&) = delete;
    CableRegistration& operator=(const CableRegistration&) = delete;

    // False when the registration could not be made (the reason went to standard error); the
    // simulator runs on unlisted.
    bool IsRegistered() const { return lock_ >= 0; }

  private:
    std::string file_;
    int lock_ = -1;
};

// The pseudo-terminals of the registrations whose simulator still runs, ordered by path.
// Registrations of simulators that are gone are removed.
std::vector<VirtualCable> LiveCables(const std::string& folder = RegistryFolder());

}  // namespace kavrel::cable
