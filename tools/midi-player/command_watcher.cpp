#include "command_watcher.h"

#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

namespace midiplayer {

TCommandWatcher::TCommandWatcher(const std::string& commandFile) : file_(commandFile) {
    size_t slash = file_.rfind('/');
    folder_ = slash == std::string::npos ? "." : file_.substr(0, slash);
    name_ = slash == std::string::npos ? file_ : file_.substr(slash + 1);
    if (!getenv("RAVOK_MIDI_POLL")) {
        fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (fd_ >= 0 && inotify_add_watch(fd_, folder_.c_str(), IN_CLOSE_WRITE | IN_MOVED_TO) < 0) {
            close(fd_);
            fd_ = -1;
        }
    }
    last_ = stamp();
}

TCommandWatcher::~TCommandWatcher() {
    if (fd_ >= 0) close(fd_);
}

TCommandWatcher::TStamp TCommandWatcher::stamp() const {
    struct stat st;
    TStamp s;
    if (stat(file_.c_str(), &st) == 0) {
        s.inode = st.st_ino;
        s.modified = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
        s.size = st.st_size;
    }
    return s;
}

bool TCommandWatcher::changed(int timeoutMs) {
    if (fd_ >= 0) {
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, timeoutMs) <= 0) return false;
        alignas(inotify_event) char buffer[4096];
        bool ours = false;
        ssize_t n;
        while ((n = read(fd_, buffer, sizeof buffer)) > 0)
            for (char* at = buffer; at < buffer + n;) {
                auto* e = reinterpret_cast<inotify_event*>(at);
                if (e->len && name_ == e->name) ours = true;
                at += sizeof(inotify_event) + e->len;
            }
        if (ours) last_ = stamp();
        return ours;
    }
    usleep(useconds_t(timeoutMs) * 1000);
    TStamp now = stamp();
    if (now == last_) return false;
    last_ = now;
    return now.size >= 0;
}

} // namespace midiplayer
