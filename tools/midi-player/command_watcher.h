// Watches the command file for a new command: inotify on its folder (the
// player renames a finished file into place), or, where inotify is not to be
// had, a look at the file's identity every poll.
#pragma once

#include <cstdint>
#include <string>
#include <sys/types.h>

namespace midiplayer {

class TCommandWatcher {
public:
    explicit TCommandWatcher(const std::string& commandFile);
    ~TCommandWatcher();
    TCommandWatcher(const TCommandWatcher&) = delete;
    TCommandWatcher& operator=(const TCommandWatcher&) = delete;

    // Waits up to timeoutMs; true when the file was replaced or rewritten
    // since the last call (what it held at start does not count).
    bool changed(int timeoutMs);
    bool usesInotify() const { return fd_ >= 0; }

private:
    struct TStamp {
        ino_t inode = 0;
        int64_t modified = 0;
        off_t size = -1;
        bool operator==(const TStamp&) const = default;
    };
    TStamp stamp() const;

    std::string file_, folder_, name_;
    int fd_ = -1;
    TStamp last_;
};

} // namespace midiplayer
