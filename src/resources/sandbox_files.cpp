#include "resources/sandbox_files.h"

#include "resources/host_files.h"
#include "resources/sandbox.h"
#include "resources/saves_folder.h"
#include "resources/streams.h"

#include "base/regular_file.h"
#include "base/reporter.h"
#include "runtime/messages.h"

#include <cerrno>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace ravok {

TSandboxEntry::TSandboxEntry(TSandboxEntry&& other) noexcept
    : dirFd_(other.dirFd_), leaf_(std::move(other.leaf_)) {
    other.dirFd_ = -1;
}

TSandboxEntry& TSandboxEntry::operator=(TSandboxEntry&& other) noexcept {
    if (this != &other) {
        if (dirFd_ >= 0) ::close(dirFd_);
        dirFd_ = other.dirFd_;
        leaf_ = std::move(other.leaf_);
        other.dirFd_ = -1;
    }
    return *this;
}

TSandboxEntry::~TSandboxEntry() {
    if (dirFd_ >= 0) ::close(dirFd_);
}

namespace {

bool statEntry(const TSandboxEntry& e, struct stat& st) {
    return e.found() && fstatat(e.dirFd(), e.leaf().c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
}

// A game that ships `files` as a link would have every read, write and delete
// of its scripts land wherever the link points; it is told once.
void reportLinkedFolder(const std::string& hostFolder) {
    static std::set<std::string> told;
    if (told.insert(hostFolder).second)
        ReportError(fromHostPath(hostFolder) +
                    translate(" is a link. The game's files must be in a real folder."));
}

int openFolderNoFollow(int dirFd, const std::string& name, bool make) {
    int fd = ::openat(dirFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT && make && ::mkdirat(dirFd, name.c_str(), 0777) == 0)
        fd = ::openat(dirFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    return fd;
}

std::vector<std::string> hostComponents(const std::string& relative) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t i = 0; i <= relative.size(); ++i) {
        if (i == relative.size() || relative[i] == '/') {
            if (i > start) parts.push_back(relative.substr(start, i - start));
            start = i + 1;
        }
    }
    return parts;
}

} // namespace

bool TSandboxEntry::isFile() const {
    struct stat st;
    return statEntry(*this, st) && S_ISREG(st.st_mode);
}

bool TSandboxEntry::isFolder() const {
    struct stat st;
    return statEntry(*this, st) && S_ISDIR(st.st_mode);
}

bool TSandboxEntry::exists() const {
    struct stat st;
    return statEntry(*this, st);
}

namespace {

// The entry of `parts` under the host folder `root`, whose own name is opened
// without following a link.
TSandboxEntry entryIn(const std::string& root, const std::vector<std::string>& parts,
                      bool makeFolders) {
    if (root.empty()) return {};
    size_t slash = root.rfind('/');
    std::string parent = slash == std::string::npos ? "."
                         : slash == 0               ? "/"
                                                    : root.substr(0, slash);
    std::string name = slash == std::string::npos ? root : root.substr(slash + 1);
    int up = ::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (up < 0) return {};
    int dir = openFolderNoFollow(up, name, makeFolders);
    if (dir < 0) {
        struct stat st;
        if (fstatat(up, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode))
            reportLinkedFolder(root);
        ::close(up);
        return {};
    }
    ::close(up);
    for (size_t i = 0; i + 1 < parts.size(); ++i) {
        int next = openFolderNoFollow(dir, parts[i], makeFolders);
        ::close(dir);
        if (next < 0) return {};
        dir = next;
    }
    return TSandboxEntry(dir, parts.back());
}

} // namespace

TSandboxEntry sandboxEntry(std::string_view path, bool makeFolders) {
    std::string folder = sandboxFolder();
    if (folder.empty() || !insideSandbox(path)) return {};
    std::string hostFolder = toHostPath(folder);
    std::string host = toHostPath(path);
    if (host.size() <= hostFolder.size() + 1 ||
        host.compare(0, hostFolder.size(), hostFolder) != 0 || host[hostFolder.size()] != '/')
        return {};
    std::vector<std::string> parts = hostComponents(host.substr(hostFolder.size() + 1));
    if (parts.empty()) return {};
    for (const std::string& part : parts)
        if (part == "." || part == "..") return {};
    // Writes land where the game saves now; anything else finds the name
    // there first and then among the files the game shipped.
    std::string saves = savesFolder();
    TSandboxEntry entry = entryIn(saves, parts, makeFolders);
    if (makeFolders || saves == hostFolder || (entry.found() && entry.exists())) return entry;
    TSandboxEntry shipped = entryIn(hostFolder, parts, false);
    if (shipped.found() && shipped.exists()) return shipped;
    return entry.found() ? std::move(entry) : std::move(shipped);
}

std::unique_ptr<TFileReader> openSandboxReader(std::string_view path) {
    TSandboxEntry entry = sandboxEntry(path, false);
    if (!entry.found()) return nullptr;
    int fd = openRegularFile(entry.dirFd(), entry.leaf().c_str(), true);
    if (fd < 0) return nullptr;
    return std::make_unique<TFileReader>(fd);
}

std::unique_ptr<TFileWriter> openSandboxWriter(std::string_view path) {
    TSandboxEntry entry = sandboxEntry(path, true);
    // A folder, a link or a device of that name stays as it is.
    if (!entry.found() || (entry.exists() && !entry.isFile())) return nullptr;
    auto writer = std::make_unique<TFileWriter>(entry.dirFd(), entry.leaf());
    if (!writer->isOpen()) return nullptr;
    return writer;
}

bool writeSandboxFile(std::string_view path, std::string_view bytes) {
    std::unique_ptr<TFileWriter> out = openSandboxWriter(path);
    if (!out) return false;
    out->write(bytes.data(), bytes.size());
    return out->close();
}

bool readSandboxFile(std::string_view path, std::string& bytes, size_t limit) {
    bytes.clear();
    std::unique_ptr<TFileReader> in = openSandboxReader(path);
    if (!in) return false;
    char chunk[4096];
    for (;;) {
        size_t n = in->read(chunk, sizeof chunk);
        if (n == 0) break;
        if (bytes.size() + n > limit) {
            bytes.clear();
            return false;
        }
        bytes.append(chunk, n);
    }
    return true;
}

bool deleteSandboxFile(std::string_view path) {
    TSandboxEntry entry = sandboxEntry(path, false);
    // Removing a link removes the link only, never what it points to.
    return entry.found() && !entry.isFolder() &&
           ::unlinkat(entry.dirFd(), entry.leaf().c_str(), 0) == 0;
}

bool moveSandboxFile(std::string_view from, std::string_view to) {
    TSandboxEntry source = sandboxEntry(from, false);
    TSandboxEntry target = sandboxEntry(to, false);
    return source.found() && target.found() && source.exists() &&
           ::renameat(source.dirFd(), source.leaf().c_str(), target.dirFd(),
                      target.leaf().c_str()) == 0;
}

} // namespace ravok
