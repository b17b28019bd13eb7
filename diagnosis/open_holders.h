#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

#include "diagnosis/holder.h"
#include "diagnosis/machine.h"

namespace kavrel::diagnosis {

// Another process than the asking one that has the device open, found through the
// descriptors under /proc/PID/fd: by the path it was opened as, or for a device node by
// its device number, so that a link such as /dev/serial/by-id/... is found too. Only the
// processes whose descriptors this user may read are seen; the rest are skipped.
std::optional<Holder> FindOtherHolder(const Machine& machine, const std::string& devicePath);

// A running process of the program (by its kernel name, at most 15 characters), whether
// or not its descriptors can be read.
std::optional<Holder> FindProgram(const Machine& machine, const std::string& program);

}  // namespace kavrel::diagnosis
