#include "app/game_opening.h"

#include "resources/sgml.h"
#include "resources/source_files.h"
#include "runtime/sjis.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <vector>

namespace ravok {

namespace fs = std::filesystem;

namespace {

bool hasExtension(const fs::path& path, const char* ext) {
    return foldCase(path.extension().string()) == ext;
}

// The names of a folder's files with that extension, sorted.
std::vector<fs::path> filesWith(const fs::path& folder, const char* ext) {
    std::vector<fs::path> found;
    std::error_code ec;
    for (const fs::directory_entry& e : fs::directory_iterator(folder, ec))
        if (e.is_regular_file(ec) && hasExtension(e.path(), ext)) found.push_back(e.path());
    std::sort(found.begin(), found.end());
    return found;
}

// Whether the project file names at least one page.
bool listsPages(const std::string& hostPath) {
    TSourceText source;
    if (readSourceFile(fromHostPath(hostPath), source) != TReadResult::Ok) return false;
    std::unique_ptr<TSGML> root;
    try {
        root = TSGML::readDocument(source.text);
    } catch (const std::exception&) {
        return false;
    }
    std::function<bool(const TSGML&)> walk = [&](const TSGML& e) {
        if (foldCase(e.tagName()) == "page" && !e.attr("src").empty()) return true;
        for (const auto& child : e.children())
            if (child && walk(*child)) return true;
        return false;
    };
    return root && walk(*root);
}

TGameOpening fromProject(const std::string& project, const std::string& shown) {
    if (!listsPages(project))
        return {{},
                shown + ": the project lists no pages; add a <page name=\"$page_NAME\" "
                        "src=\"FILE.cmml\"/> to its \"pages\" list"};
    return {project, {}};
}

} // namespace

TGameOpening gameOpeningFor(const std::string& hostPath) {
    std::error_code ec;
    fs::path path(hostPath);
    fs::file_status status = fs::status(path, ec);
    if (ec || !fs::exists(status)) return {{}, hostPath + ": no such page, project or folder"};
    if (fs::is_directory(status)) {
        // A project that lists no pages yet (the player writes an empty one
        // beside a page it opens) leaves the choice to the folder's pages.
        fs::path project = path / "default.ravokprj";
        if (!fs::is_regular_file(project, ec)) {
            std::vector<fs::path> projects = filesWith(path, ".ravokprj");
            project = projects.size() == 1 ? projects[0] : fs::path();
        }
        if (!project.empty() && listsPages(project.string())) return {project.string(), {}};
        std::vector<fs::path> pages = filesWith(path, ".cmml");
        if (pages.size() == 1) return {pages[0].string(), {}};
        if (pages.empty())
            return {{},
                    hostPath + ": the folder holds no page (.cmml) and no project "
                               "(default.ravokprj) that lists one"};
        return {{},
                hostPath + ": the folder holds " + std::to_string(pages.size()) +
                    " pages and no project file that lists them; name the page to play, "
                    "as in ravok " +
                    (path / pages[0].filename()).string()};
    }
    if (hasExtension(path, ".ravokprj")) return fromProject(hostPath, hostPath);
    return {hostPath, {}};
}

} // namespace ravok
