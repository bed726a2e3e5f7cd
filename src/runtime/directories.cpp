#include "runtime/directories.h"

#include "runtime/paths.h"

namespace ravok {

namespace {
std::string& programDir() {
    static std::string dir;
    return dir;
}
std::string& baseDir() {
    static std::string dir;
    return dir;
}
} // namespace

const std::string& programDirectory() { return programDir(); }
void setProgramDirectory(std::string_view dir) { programDir() = stripSlash(dir); }

const std::string& baseDirectory() { return baseDir(); }
void setBaseDirectory(std::string_view dir) { baseDir() = stripSlash(dir); }

std::string relativeToBase(std::string_view path) {
    return path.empty() ? std::string() : relativePath(path, baseDirectory());
}

} // namespace ravok
