#include "app/file_watch.h"

#include <cstdlib>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ravok {

TFileWatch::TFileWatch() {
    if (!std::getenv("RAVOK_WATCH_POLL")) fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
}

TFileWatch::~TFileWatch() {
    if (fd_ >= 0) close(fd_);
}

TFileWatch::TStamp TFileWatch::stampOf(const std::string& file) {
    struct stat st;
    TStamp s;
    if (stat(file.c_str(), &st) == 0) {
        s.inode = st.st_ino;
        s.modified = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
        s.size = st.st_size;
    }
    return s;
}

void TFileWatch::watch(const std::vector<std::string>& hostFiles, int64_t readAtNs) {
    files_.clear();
    for (const std::string& f : hostFiles) {
        files_[f] = stampOf(f);
        if (readAtNs > 0 && files_[f].modified > readAtNs) {
            files_[f] = TStamp{};
            lookNow_ = true;
        }
        size_t slash = f.rfind('/');
        std::string folder = slash == std::string::npos ? "." : f.substr(0, slash);
        if (fd_ < 0 || folders_.count(folder)) continue;
        int w = inotify_add_watch(fd_, folder.c_str(),
                                  IN_CLOSE_WRITE | IN_MOVED_TO | IN_CREATE | IN_DELETE);
        if (w >= 0) folders_[folder] = w;
    }
}

std::vector<std::string> TFileWatch::changed() {
    if (fd_ >= 0) {
        // Only an event in a watched folder is worth a look at the files.
        alignas(inotify_event) char buffer[4096];
        bool any = lookNow_;
        lookNow_ = false;
        while (read(fd_, buffer, sizeof buffer) > 0)
            any = true;
        if (!any) return {};
    }
    std::vector<std::string> changed;
    for (auto& [file, stamp] : files_) {
        TStamp now = stampOf(file);
        if (now == stamp) continue;
        stamp = now;
        // A file that is gone for the moment (an editor between deleting and
        // writing it) is looked at again when it is back.
        if (now.size >= 0) changed.push_back(file);
    }
    return changed;
}

} // namespace ravok
