#include "base/regular_file.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ravok {

namespace {
int openRegular(int dirFd, const char* name, bool noFollow, struct stat& st) {
    // O_NONBLOCK lets the open of a FIFO return at once instead of waiting
    // for a writer. It is left on: reads of a regular file ignore it.
    int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | (noFollow ? O_NOFOLLOW : 0);
    int fd = ::openat(dirFd, name, flags);
    if (fd < 0) return -1;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        errno = ENXIO;
        return -1;
    }
    return fd;
}
} // namespace

int openRegularFile(int dirFd, const char* name, bool noFollow) {
    struct stat st;
    return openRegular(dirFd, name, noFollow, st);
}

TRegularRead readRegularFile(const std::string& hostPath, std::string& bytes, size_t limit) {
    bytes.clear();
    struct stat st;
    int fd = openRegular(AT_FDCWD, hostPath.c_str(), false, st);
    if (fd < 0) return errno == ENXIO ? TRegularRead::NotRegular : TRegularRead::Missing;
    // Read straight into the string, sized from the file's length and one
    // byte more to see the end at once: a bounce buffer and the string's
    // regrowth would touch three times the memory.
    size_t expected = st.st_size > 0 ? size_t(st.st_size) : 0;
    bytes.resize(std::min(expected, limit) + 1);
    size_t have = 0;
    TRegularRead result = TRegularRead::Ok;
    for (;;) {
        if (have == bytes.size()) {
            // A file that grows while it is read is held to the same limit.
            if (have > limit) {
                result = TRegularRead::TooLarge;
                break;
            }
            bytes.resize(std::min(std::max<size_t>(2 * have, 4096), limit + 1));
        }
        ssize_t n = ::read(fd, bytes.data() + have, bytes.size() - have);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) result = TRegularRead::Missing;
        if (n <= 0) break;
        have += size_t(n);
    }
    if (result == TRegularRead::Ok && have > limit) result = TRegularRead::TooLarge;
    if (result == TRegularRead::Ok)
        bytes.resize(have);
    else
        bytes.clear();
    ::close(fd);
    return result;
}

} // namespace ravok
