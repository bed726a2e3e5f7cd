#include "resources/program_paths.h"

#include "resources/host_files.h"
#include "resources/text_lines.h"
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
// The user's pictures folder as the desktop names it, as a host path.
std::string picturesFolder() {
    const char* home = std::getenv("HOME");
    std::string homeDir = home && *home ? home : "/tmp";
    std::string config;
    if (const char* v = std::getenv("XDG_CONFIG_HOME"); v && *v)
        config = v;
    else
        config = homeDir + "/.config";
    std::string dirs;
    if (readFileUpTo(fromHostPath(config + "/user-dirs.dirs"), dirs, 1 << 16) == TReadResult::Ok) {
        for (const std::string& line : textLines(dirs)) {
            const std::string key = "XDG_PICTURES_DIR=\"";
            if (line.compare(0, key.size(), key) != 0 || line.size() < key.size() + 1) continue;
            std::string value = line.substr(key.size(), line.rfind('"') - key.size());
            if (value.compare(0, 5, "$HOME") == 0) value = homeDir + value.substr(5);
            if (!value.empty() && value[0] == '/') return value;
        }
    }
    return homeDir + "/Pictures";
}
} // namespace

std::string screenshotDirectory() {
    std::string dir = resolve("Screenshots", programDirectory());
    if (dir.empty() ||
        (!directoryExists(dir) && !(writable(programDirectory()) && forceDirs(dir))) ||
        !writable(dir))
        dir = fromHostPath(picturesFolder());
    forceDirs(dir);
    return dir;
}

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
    // An exported game (RAVOK_SAVES=user) keeps its player's settings per
    // user too, as it keeps its saves.
    const char* saves = std::getenv("RAVOK_SAVES");
    bool perUser = saves && std::string_view(saves) == "user";
    std::string dir = resolve("Kernel", programDirectory());
    if (!perUser && !dir.empty() && directoryExists(dir) && writable(dir)) return dir;
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
