// Opening the files the player reads from outside: only a regular file is
// taken. A FIFO would block the player in open() until some other program
// writes to it, a device such as /dev/zero never ends, and a folder has no
// bytes; each is refused at once.
#pragma once

#include <cstddef>
#include <string>

namespace ravok {

// A descriptor of the regular file `name` in the folder `dirFd` (AT_FDCWD:
// the working folder), opened for reading; -1 otherwise, with errno ENXIO
// when the name is something other than a regular file. `noFollow` also
// refuses a final link.
int openRegularFile(int dirFd, const char* name, bool noFollow);

enum class TRegularRead { Ok, Missing, TooLarge, NotRegular };
// The whole of a regular file of at most `limit` bytes (a host path).
TRegularRead readRegularFile(const std::string& hostPath, std::string& bytes, size_t limit);

} // namespace ravok
