#include "resources/program_paths.h"

#include "resources/host_files.h"
#include "runtime/paths.h"
#include "runtime/sjis.h"

#include <cstdlib>
#include <unistd.h>

namespace ravok {

namespace {
bool writable(std::string_view dir) { return access(toHostPath(dir).c_str(), W_OK) == 0; }

// $VAR/ravok (or ~/FALLBACK/ravok) as a program path.
std::string xdgFolder(const char* var, const char* fallback) {
    std::string root;
    if (const char* v = std::getenv(var); v && *v)
        root = v;
    else if (const char* home = std::getenv("HOME"); home && *home)
        root = std::string(home) + "/" + fallback;
    else
        root = "/tmp";
    return fromHostPath(root) + "\\ravok";
}
} // namespace

std::string tempDirectory() {
    // Every class cache names its file here, so the answer is kept while the
    // program directory stays and the folder still stands.
    static std::string forProgram, found;
    if (!found.empty() && forProgram == programDirectory() && directoryExists(found)) return found;
    std::string dir = resolve("Temp", programDirectory());
    if (dir.empty() ||
        (!directoryExists(dir) && !(writable(programDirectory()) && forceDirs(dir))) ||
        !writable(dir))
        dir = xdgFolder("XDG_CACHE_HOME", ".cache") + "\\Temp";
    forceDirs(dir);
    forProgram = programDirectory();
    found = dir;
    return dir;
}

std::string settingsDirectory() {
    std::string dir = resolve("Kernel", programDirectory());
    if (!dir.empty() && directoryExists(dir) && writable(dir)) return dir;
    std::string fallback = xdgFolder("XDG_CONFIG_HOME", ".config");
    forceDirs(fallback);
    return fallback;
}

std::string tempName(std::string_view p, std::string_view prefix) {
    std::string rel = relativePath(p, programDirectory());
    std::string name;
    for (size_t i = 0; i < rel.size(); ++i) {
        if (rel.compare(i, 2, "..") == 0) {
            name += '@';
            ++i;
            continue;
        }
        unsigned char c = static_cast<unsigned char>(rel[i]);
        if (isLeadByte(c)) { // a double-byte character goes whole, its second byte too
            ++i;
            continue;
        }
        if (c == '@' || c == '_' || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
            (c >= '0' && c <= '9'))
            name += char(c);
    }
    return resolve(std::string(prefix) + name, tempDirectory());
}

} // namespace ravok
