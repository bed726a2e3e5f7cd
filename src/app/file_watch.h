// Files watched for a change, as an editor saves them: inotify on their
// folders (a save that writes a new file and renames it into place counts as
// well as one that rewrites it), or, where inotify is not to be had (or with
// RAVOK_WATCH_POLL set), a look at every file's identity, time and size.
// Either way the files' identities decide what changed, so a touch of a
// neighbouring file changes nothing.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <sys/types.h>
#include <vector>

namespace ravok {

class TFileWatch {
public:
    TFileWatch();
    ~TFileWatch();
    TFileWatch(const TFileWatch&) = delete;
    TFileWatch& operator=(const TFileWatch&) = delete;

    // Watches these host files from now on (what they hold now is the base).
    // A file modified after `readAtNs` (the realtime clock, in nanoseconds;
    // 0: never) changed after it was read, before the watch began, and is
    // reported by the next changed().
    void watch(const std::vector<std::string>& hostFiles, int64_t readAtNs = 0);
    // The watched files changed since the last call (or since watch()).
    std::vector<std::string> changed();
    bool usesInotify() const { return fd_ >= 0; }

private:
    struct TStamp {
        ino_t inode = 0;
        int64_t modified = 0;
        off_t size = -1;
        bool operator==(const TStamp&) const = default;
    };
    static TStamp stampOf(const std::string& file);

    int fd_ = -1;
    bool lookNow_ = false;               // a file changed before the watch began
    std::map<std::string, int> folders_; // folder -> inotify watch
    std::map<std::string, TStamp> files_;
};

} // namespace ravok
