#include "app/program_home.h"

#include <climits>
#include <cstdlib>
#include <unistd.h>

namespace ravok {

std::string executableFolder() {
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return {};
    std::string dir(buf, size_t(n));
    return dir.substr(0, dir.rfind('/'));
}

std::string findProgramHome(const std::string& homeOption) {
    std::string dir = homeOption;
    if (dir.empty())
        if (const char* env = std::getenv("RAVOK_HOME"); env && *env) dir = env;
    if (dir.empty()) dir = executableFolder();
    char real[PATH_MAX];
    if (!dir.empty() && realpath(dir.c_str(), real)) dir = real;
    return dir.empty() ? "." : dir;
}

} // namespace ravok
