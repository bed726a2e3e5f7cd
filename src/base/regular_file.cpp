#include "base/regular_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ravok {

int openRegularFile(int dirFd, const char* name, bool noFollow) {
    // O_NONBLOCK lets the open of a FIFO return at once instead of waiting
    // for a writer. It is left on: reads of a regular file ignore it.
    int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | (noFollow ? O_NOFOLLOW : 0);
    int fd = ::openat(dirFd, name, flags);
    if (fd < 0) return -1;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        errno = ENXIO;
        return -1;
    }
    return fd;
}

TRegularRead readRegularFile(const std::string& hostPath, std::string& bytes, size_t limit) {
    bytes.clear();
    int fd = openRegularFile(AT_FDCWD, hostPath.c_str(), false);
    if (fd < 0) return errno == ENXIO ? TRegularRead::NotRegular : TRegularRead::Missing;
    char chunk[65536];
    TRegularRead result = TRegularRead::Ok;
    for (;;) {
        ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) result = TRegularRead::Missing;
        if (n <= 0) break;
        // A file that grows while it is read is held to the same limit.
        if (bytes.size() + size_t(n) > limit) {
            result = TRegularRead::TooLarge;
            break;
        }
        bytes.append(chunk, size_t(n));
    }
    if (result != TRegularRead::Ok) bytes.clear();
    ::close(fd);
    return result;
}

} // namespace ravok
