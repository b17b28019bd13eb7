#include "diagnosis/holder_watch.h"

#include <fcntl.h>
#include <sys/fanotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace kavrel::diagnosis {

HolderWatch::HolderWatch() {
    // Reporting by file identity is what an ordinary user may ask for; it opens nothing.
    reports_ = fanotify_init(FAN_CLASS_NOTIF | FAN_REPORT_FID | FAN_CLOEXEC | FAN_NONBLOCK,
                             O_RDONLY | O_CLOEXEC);
}

HolderWatch::~HolderWatch() {
    if (reports_ >= 0) {
        close(reports_);
    }
}

bool HolderWatch::SameNode(const struct stat& node) const {
    // A pseudo-terminal's number, and with it its node's, is given out again once free; the
    // new node is told apart by its time of creation.
    return node.st_dev == fileSystem_ && node.st_ino == node_ &&
           node.st_ctim.tv_sec == changed_.tv_sec && node.st_ctim.tv_nsec == changed_.tv_nsec;
}

bool HolderWatch::Watch(const std::string& devicePath) {
    struct stat node {};
    if (reports_ < 0 || stat(devicePath.c_str(), &node) != 0) {
        return false;
    }
    if (node_ != 0 && SameNode(node)) {
        return true;
    }
    fanotify_mark(reports_, FAN_MARK_FLUSH, 0, AT_FDCWD, nullptr);
    nobodyElse_ = false;
    node_ = 0;
    // The node is watched and remembered through one handle (named by its /proc link, as
    // the kernel marks no such handle itself), so a node replaced meanwhile is never taken
    // for the watched one. Such a handle is no open of the port.
    const int handle = open(devicePath.c_str(), O_PATH | O_CLOEXEC);
    const std::string handlePath = "/proc/self/fd/" + std::to_string(handle);
    const bool watching = handle >= 0 && fstat(handle, &node) == 0 &&
                          fanotify_mark(reports_, FAN_MARK_ADD, FAN_OPEN | FAN_DELETE_SELF,
                                        AT_FDCWD, handlePath.c_str()) == 0;
    if (handle >= 0) {
        close(handle);
    }
    if (watching) {
        fileSystem_ = node.st_dev;
        node_ = node.st_ino;
        changed_ = node.st_ctim;
    }
    return watching;
}

bool HolderWatch::OthersOpened(pid_t asking) {
    bool others = false;
    alignas(fanotify_event_metadata) char buffer[4096];
    ssize_t size;
    while ((size = read(reports_, buffer, sizeof buffer)) > 0) {
        const auto* event = reinterpret_cast<const fanotify_event_metadata*>(buffer);
        for (; FAN_EVENT_OK(event, size); event = FAN_EVENT_NEXT(event, size)) {
            if ((event->mask & FAN_DELETE_SELF) != 0) {
                node_ = 0;  // gone: a node of the same name and number may follow
            }
            // An ordinary user is told only its own process's number; others read as 0.
            others = others || (event->mask & (FAN_Q_OVERFLOW | FAN_DELETE_SELF)) != 0 ||
                     event->pid != asking;
        }
    }
    // Reports that could not be read may have told of anything.
    return others || (size < 0 && errno != EAGAIN);
}

std::optional<Holder> HolderWatch::FindOtherHolder(const Machine& machine,
                                                   const std::string& devicePath) {
    const std::lock_guard lock(mutex_);
    const bool watched = Watch(devicePath);
    // Reports are taken before the walk: an open during the walk makes the next question
    // walk again.
    if (!watched || OthersOpened(machine.pid)) {
        nobodyElse_ = false;
    }
    if (nobodyElse_) {
        return std::nullopt;
    }
    std::optional<Holder> holder = diagnosis::FindOtherHolder(machine, devicePath);
    nobodyElse_ = watched && !holder;
    return holder;
}

}  // namespace kavrel::diagnosis
