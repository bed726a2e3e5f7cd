#include "resources/saves_folder.h"

#include "base/encoding.h"
#include "base/reporter.h"
#include "resources/host_files.h"
#include "runtime/directories.h"
#include "runtime/messages.h"
#include "runtime/paths.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace ravok {

namespace {

std::string gGameId;

std::string hashOf(std::string_view bytes) {
    uint32_t h = 2166136261u;
    for (unsigned char c : bytes)
        h = (h ^ c) * 16777619u;
    char buf[16];
    std::snprintf(buf, sizeof buf, "%08x", h);
    return buf;
}

// mkdir -p of a host path; the reason when it cannot.
bool makeFolders(const std::string& path, std::string& why) {
    std::string at;
    for (size_t i = 0; i <= path.size(); ++i) {
        if (i < path.size() && path[i] != '/') continue;
        at = path.substr(0, i);
        if (at.empty()) continue;
        if (::mkdir(at.c_str(), 0700) != 0 && errno != EEXIST) {
            why = at + ": " + std::strerror(errno);
            return false;
        }
    }
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        why = path + ": " + std::strerror(errno ? errno : ENOTDIR);
        return false;
    }
    if (::access(path.c_str(), W_OK) != 0) {
        why = path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

bool writableFolder(const std::string& hostPath) {
    return ::access(hostPath.c_str(), W_OK | X_OK) == 0;
}

} // namespace

std::string gameIdFor(const std::string& title, const std::string& author,
                      const std::string& given) {
    std::string source = !given.empty() ? given : title + (author.empty() ? "" : "-" + author);
    std::string id;
    for (unsigned char c : source) {
        if (std::isalnum(c) || c == '-' || c == '_')
            id += char(std::tolower(c));
        else if (c == ' ' && !id.empty() && id.back() != '-')
            id += '-';
    }
    while (!id.empty() && id.back() == '-')
        id.pop_back();
    // A title in Japanese alone keeps no letters: a number made from its
    // bytes tells such games apart.
    if (id.size() < 3 && !source.empty()) id += (id.empty() ? "game-" : "-") + hashOf(source);
    return id.empty() ? "game" : id.substr(0, 64);
}

void setGameId(const std::string& id) { gGameId = id; }

std::string gameId() {
    if (!gGameId.empty()) return gGameId;
    // A page played alone: its folder's name, and a number made from the
    // folder's path, as two folders may share a name. Kept while the folder
    // stays: the window asks every frame which game plays.
    static std::string forBase, id;
    std::string base = baseDirectory();
    if (id.empty() || base != forBase) {
        std::string folder = toHostPath(base);
        std::string name = folder.substr(folder.rfind('/') + 1);
        id = gameIdFor(name, "", "") + "-" + hashOf(folder);
        forBase = base;
    }
    return id;
}

std::string shippedFilesFolder() { return toHostPath(resolve("files", baseDirectory())); }

std::string userDataFolder() {
    if (const char* v = std::getenv("XDG_DATA_HOME"); v && *v == '/')
        return std::string(v) + "/ravok";
    if (const char* home = std::getenv("HOME"); home && *home)
        return std::string(home) + "/.local/share/ravok";
    return {};
}

std::string userFilesFolder() {
    std::string root = userDataFolder();
    return root.empty() ? root : root + "/" + gameId() + "/files";
}

std::string savesFolder() {
    std::string shipped = shippedFilesFolder();
    const char* mode = std::getenv("RAVOK_SAVES");
    bool user = mode && std::strcmp(mode, "user") == 0;
    if (!user) {
        // Portable: the game's own folder, when its files folder (or, before
        // the first save, the game's folder) can be written. Something else
        // of that name is the game's own doing: its writes fail there.
        struct stat st;
        std::string game = shipped.substr(0, shipped.rfind('/'));
        if (::lstat(shipped.c_str(), &st) != 0) {
            if (writableFolder(game.empty() ? "/" : game)) return shipped;
        } else if (!S_ISDIR(st.st_mode) || writableFolder(shipped)) {
            return shipped;
        }
    }
    std::string folder = userFilesFolder();
    std::string why;
    if (folder.empty())
        why = translate("neither XDG_DATA_HOME nor HOME is set");
    else if (makeFolders(folder, why))
        return folder;
    ReportProblemOnce("saves-off", translate("Saving is off: neither the game's files folder "
                                             "nor the per-user folder can be written.") +
                                       " (" + utf8ToCp932(why) + ")");
    return {};
}

} // namespace ravok
