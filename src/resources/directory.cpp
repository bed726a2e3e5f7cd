#include "resources/directory.h"

#include "resources/host_files.h"
#include "runtime/paths.h"
#include "runtime/sjis.h"

namespace ravok {

bool wildcardMatch(std::string_view pattern, std::string_view name) {
    std::string p = foldCase(pattern), n = foldCase(name);
    size_t pi = 0, ni = 0, star = std::string::npos, mark = 0;
    while (ni < n.size()) {
        if (pi < p.size() && (p[pi] == '?' || p[pi] == n[ni])) {
            ++pi;
            ++ni;
        } else if (pi < p.size() && p[pi] == '*') {
            star = pi++;
            mark = ni;
        } else if (star != std::string::npos) {
            pi = star + 1;
            ni = ++mark;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == '*')
        ++pi;
    return pi == p.size();
}

TDirectory::TDirectory(std::string_view m) : mask(m) {
    std::string folder = parentDir(m);
    std::string pattern = fileName(m);
    TDirectoryEntries entries = listDirectory(folder.empty() ? "." : folder);
    for (const std::string& f : entries.files)
        if (wildcardMatch(pattern, f)) files.push_back(f);
    folders = entries.folders;
}

} // namespace ravok
