#include "resources/sandbox.h"

#include "resources/host_files.h"
#include "resources/program_paths.h"
#include "runtime/paths.h"
#include "runtime/sjis.h"

namespace ravok {

std::string sandboxPath(std::string_view name) {
    // Every '\' and ':' goes (a '\' that is the second byte of a character
    // stays with its character), then every "..", scanning left to right.
    std::string cleaned = withoutBytes(name, "\\:");
    std::string noDots;
    for (size_t i = 0; i < cleaned.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(cleaned[i]);
        if (isLeadByte(c) && i + 1 < cleaned.size()) {
            noDots += cleaned[i];
            noDots += cleaned[++i];
        } else if (cleaned.compare(i, 2, "..") == 0) {
            ++i;
        } else {
            noDots += char(c);
        }
    }
    std::string path = "files";
    size_t start = 0;
    for (size_t i = 0; i <= noDots.size(); ++i) {
        bool end = i == noDots.size();
        unsigned char c = end ? 0 : static_cast<unsigned char>(noDots[i]);
        if (!end && isLeadByte(c) && i + 1 < noDots.size()) {
            ++i;
            continue;
        }
        if (end || c == '/') {
            std::string piece = noDots.substr(start, i - start);
            if (!piece.empty() && piece != "..") path += "\\" + piece;
            start = i + 1;
        }
    }
    return resolve(path, baseDirectory());
}

std::string sandboxFolder() { return resolve("files", baseDirectory()); }

bool insideSandbox(std::string_view path) {
    std::string folder = sandboxFolder();
    if (folder.empty() || !isInside(path, folder)) return false;
    std::string realFolder = canonicalHostPath(folder);
    std::string realPath = canonicalHostPath(path);
    return realPath == realFolder || realPath.rfind(realFolder + "/", 0) == 0;
}

} // namespace ravok
