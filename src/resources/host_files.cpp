#include "resources/host_files.h"

#include "resources/streams.h"

#include "runtime/paths.h"
#include "runtime/sjis.h"

#include "base/encoding.h"
#include "base/regular_file.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

namespace ravok {

namespace {

std::string asciiLower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return s;
}

struct TFolderIndex {
    struct timespec modified {};
    std::unordered_map<std::string, std::string> byLowerName;
};

std::map<std::string, TFolderIndex>& indexes() {
    static auto* all = new std::map<std::string, TFolderIndex>();
    return *all;
}

// The real name in hostDir of a name that matches without regard to case, or
// the name itself.
std::string findCaseInsensitive(const std::string& hostDir, const std::string& name) {
    struct stat st;
    if (stat(hostDir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return name;
    TFolderIndex& idx = indexes()[hostDir];
    if (idx.modified.tv_sec != st.st_mtim.tv_sec || idx.modified.tv_nsec != st.st_mtim.tv_nsec ||
        idx.byLowerName.empty()) {
        idx.byLowerName.clear();
        idx.modified = st.st_mtim;
        if (DIR* d = opendir(hostDir.c_str())) {
            while (dirent* e = readdir(d)) {
                std::string n = e->d_name;
                if (n == "." || n == "..") continue;
                idx.byLowerName.emplace(asciiLower(n), n);
            }
            closedir(d);
        }
    }
    auto it = idx.byLowerName.find(asciiLower(name));
    return it == idx.byLowerName.end() ? name : it->second;
}

bool exists(const std::string& hostPath) {
    struct stat st;
    return lstat(hostPath.c_str(), &st) == 0;
}

// Splits a program path at both separators, never inside a double-byte character.
// Where a path's components begin (after a drive letter), and in absolute
// whether it is absolute (a drive or a leading separator).
size_t componentsStart(std::string_view path, bool& absolute) {
    size_t i = 0;
    absolute = false;
    if (path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':') {
        i = 2;
        absolute = true;
    }
    if (i < path.size() && (path[i] == '\\' || path[i] == '/')) absolute = true;
    return i;
}

std::vector<std::string> components(std::string_view path, bool& absolute) {
    std::vector<std::string> parts;
    size_t i = componentsStart(path, absolute);
    std::string current;
    for (; i < path.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(path[i]);
        if (isLeadByte(c) && i + 1 < path.size()) {
            current += path[i];
            current += path[++i];
        } else if (c == '\\' || c == '/') {
            if (!current.empty()) parts.push_back(current);
            current.clear();
        } else {
            current += char(c);
        }
    }
    if (!current.empty()) parts.push_back(current);
    return parts;
}

} // namespace

namespace {
// directHostPath of a path of ASCII bytes, whose components need no
// conversion: the same text built in one pass, where the general way
// allocates for every component of every file the kernel opens.
std::string directAsciiPath(std::string_view path) {
    bool absolute;
    size_t i = componentsStart(path, absolute);
    std::string direct;
    direct.reserve(path.size() + 1);
    bool partStarts = true;
    for (; i < path.size(); ++i) {
        char c = path[i];
        if (c == '\\' || c == '/') {
            partStarts = true;
            continue;
        }
        if (partStarts && (absolute || !direct.empty())) direct += '/';
        partStarts = false;
        direct += c;
    }
    if (direct.empty()) return absolute ? "/" : ".";
    return direct;
}
} // namespace

std::string directHostPath(std::string_view path) {
    if (allAscii(path)) return directAsciiPath(path);
    bool absolute;
    std::vector<std::string> parts = components(path, absolute);
    if (absolute && parts.empty()) return "/";
    std::string direct = absolute ? "" : ".";
    for (const std::string& part : parts)
        direct += "/" + cp932ToUtf8(part);
    if (!absolute && direct.rfind("./", 0) == 0) direct.erase(0, 2);
    return direct.empty() ? "." : direct;
}

namespace {
// The host path matched component by component: a name not spelt as on disk
// is looked for without regard to case in its folder.
std::string hostPathByCase(std::string_view path) {
    bool absolute;
    std::vector<std::string> parts = components(path, absolute);
    if (absolute && parts.empty()) return "/";
    std::string host = absolute ? "" : ".";
    for (const std::string& part : parts) {
        std::string name = cp932ToUtf8(part);
        std::string dir = host.empty() ? "/" : host;
        std::string candidate = (host.empty() ? "" : host) + "/" + name;
        if (name != "." && name != ".." && !exists(candidate))
            name = findCaseInsensitive(dir, name);
        host += "/" + name;
    }
    if (!absolute && host.rfind("./", 0) == 0) host.erase(0, 2);
    return host.empty() ? "." : host;
}
} // namespace

std::string toHostPath(std::string_view path) {
    // Most paths are spelt as on disk: one look settles them, and only a
    // path that is not there is matched component by component.
    std::string direct = directHostPath(path);
    return exists(direct) ? direct : hostPathByCase(path);
}

std::string fromHostPath(std::string_view hostPath) {
    std::string out = utf8ToCp932(hostPath);
    for (size_t i = 0; i < out.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(out[i]);
        if (isLeadByte(c) && i + 1 < out.size())
            ++i;
        else if (c == '/')
            out[i] = '\\';
    }
    return out;
}

// The questions below look at the path as it is spelt first: that settles
// nearly every one with a single call, and only a path that is not there is
// matched again without regard to case. The answers are the same.
bool fileExists(std::string_view path) {
    return exists(directHostPath(path)) || exists(hostPathByCase(path));
}

namespace {
bool statAsSpelt(std::string_view path, struct stat& st) {
    return stat(directHostPath(path).c_str(), &st) == 0 ||
           stat(hostPathByCase(path).c_str(), &st) == 0;
}
} // namespace

bool directoryExists(std::string_view path) {
    struct stat st;
    return statAsSpelt(path, st) && S_ISDIR(st.st_mode);
}

bool regularFileExists(std::string_view path) {
    struct stat st;
    return statAsSpelt(path, st) && S_ISREG(st.st_mode);
}

TReadResult readFileUpTo(std::string_view path, std::string& bytes, size_t limit) {
    TRegularRead read = readRegularFile(directHostPath(path), bytes, limit);
    if (read == TRegularRead::Missing) read = readRegularFile(toHostPath(path), bytes, limit);
    switch (read) {
    case TRegularRead::Ok:
        return TReadResult::Ok;
    case TRegularRead::TooLarge:
        return TReadResult::TooLarge;
    case TRegularRead::NotRegular:
        return TReadResult::NotRegular;
    default:
        return TReadResult::Missing;
    }
}

const char* readFailureText(TReadResult result, const char* tooLarge, const char* missing) {
    switch (result) {
    case TReadResult::TooLarge:
        return tooLarge;
    case TReadResult::NotRegular:
        return " is not a regular file."; // message
    default:
        return missing;
    }
}

bool readWholeFile(std::string_view path, std::string& bytes) {
    return readFileUpTo(path, bytes, kMaxWholeFileBytes) == TReadResult::Ok;
}

bool writeWholeFile(std::string_view path, std::string_view bytes) {
    TFileWriter out(path); // atomic: the old file stays unless all was written
    out.write(bytes.data(), bytes.size());
    return out.close();
}

bool renameFile(std::string_view from, std::string_view to) {
    return std::rename(toHostPath(from).c_str(), toHostPath(to).c_str()) == 0;
}

bool deleteFile(std::string_view path) { return unlink(toHostPath(path).c_str()) == 0; }

bool forceDirs(std::string_view dir) {
    std::string d = stripSlash(dir);
    if (d.empty() || directoryExists(d)) return !d.empty();
    std::string parent = parentDir(d);
    if (!parent.empty() && parent != d && !directoryExists(parent) && !forceDirs(parent))
        return false;
    return mkdir(toHostPath(d).c_str(), 0777) == 0 || errno == EEXIST;
}

TDirectoryEntries listDirectory(std::string_view dir) {
    TDirectoryEntries entries;
    std::string host = toHostPath(dir);
    DIR* d = opendir(host.c_str());
    if (!d) return entries;
    while (dirent* e = readdir(d)) {
        std::string n = e->d_name;
        if (n == "." || n == "..") continue;
        struct stat st;
        if (stat((host + "/" + n).c_str(), &st) != 0) continue;
        (S_ISDIR(st.st_mode) ? entries.folders : entries.files).push_back(utf8ToCp932(n));
    }
    closedir(d);
    return entries;
}

std::string canonicalHostPath(std::string_view path) {
    std::string host = toHostPath(path);
    std::string rest;
    int hops = 0;
    // Climb until an existing folder is found, then resolve it through links.
    while (!host.empty()) {
        char buf[PATH_MAX];
        if (realpath(host.c_str(), buf)) {
            std::string real = buf;
            return rest.empty() ? real : (real == "/" ? "" : real) + rest;
        }
        // A link to something that does not exist yet names where a write
        // would land: follow it instead of taking the link's own place.
        struct stat st;
        if (lstat(host.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
            ssize_t n = readlink(host.c_str(), buf, sizeof buf - 1);
            if (n <= 0 || ++hops > 40) return "/"; // a loop of links lands nowhere inside
            std::string target(buf, size_t(n));
            if (target[0] != '/') {
                size_t at = host.rfind('/');
                target = (at == std::string::npos ? std::string(".") : host.substr(0, at)) + "/" +
                         target;
            }
            host = target;
            continue;
        }
        size_t slash = host.rfind('/');
        if (slash == std::string::npos) {
            rest = "/" + host + rest;
            host = ".";
            continue;
        }
        rest = host.substr(slash) + rest;
        host = slash == 0 ? "/" : host.substr(0, slash);
        if (host == "/" && rest.empty()) break;
    }
    return rest;
}

uint32_t fileStamp(std::string_view path) {
    struct stat st;
    if (!statAsSpelt(path, st)) return 0;
    return uint32_t(uint64_t(st.st_mtim.tv_sec)) ^ uint32_t(st.st_mtim.tv_nsec) ^
           uint32_t(st.st_size << 7);
}

void forgetDirectoryIndexes() { indexes().clear(); }

} // namespace ravok
