// System calls a browser page has no form of, which shared code makes
// (watching files for --watch, starting the desktop player): here they fail
// as an unsupported call does, with ENOSYS, and the callers report it as
// they report any failure.
#include <cerrno>
#include <spawn.h>
#include <sys/inotify.h>

extern "C" {

int inotify_init1(int) {
    errno = ENOSYS;
    return -1;
}

int inotify_add_watch(int, const char*, uint32_t) {
    errno = ENOSYS;
    return -1;
}

int inotify_rm_watch(int, int) {
    errno = ENOSYS;
    return -1;
}

int posix_spawnp(pid_t*, const char*, const posix_spawn_file_actions_t*, const posix_spawnattr_t*,
                 char* const[], char* const[]) {
    return ENOSYS;
}

} // extern "C"
