#include "pages/project_manager.h"

#include "pages/page_hash.h"
#include "pages/page_loader.h"
#include "pages/page_state.h"
#include "resources/directory.h"
#include "resources/host_files.h"
#include "resources/program_paths.h"
#include "resources/resource_kinds.h"
#include "resources/resource_reader.h"
#include "resources/resource_tree.h"
#include "runtime/markup_escape.h"
#include "runtime/messages.h"
#include "runtime/paths.h"
#include "runtime/sjis.h"

#include "base/clock.h"
#include "base/frame_pacing.h"
#include "base/log.h"
#include "base/reporter.h"
#include "screen/key_state.h"

#include <algorithm>
#include <set>

namespace ravok {

namespace {

// The list at path, created empty when missing.
TResource* listCreated(const char* path, const char* failure) {
    if (TResource* list = treeAt(path)) return list;
    if (treeAt("project"))
        attach(path,
               readResourceText("<resourcelist name=\"" + lastPart(path) + "\"></resourcelist>"));
    if (TResource* list = treeAt(path)) return list;
    ReportError(failure);
    return nullptr;
}

} // namespace

std::string projectFileFor(std::string_view pageFile) {
    return parentDir(pageFile) + "\\default.ravokprj";
}

namespace {
constexpr const char* kEmptyProject = "<resourcelist name=\"project\">\r\n <resourcelist "
                                      "name=\"pages\">\r\n </resourcelist>\r\n</resourcelist>\r\n";
} // namespace

TPrjManager& TPrjManager::instance() {
    static TPrjManager manager;
    return manager;
}

void TPrjManager::open(std::string_view projectFile) {
    std::string path = resolve(projectFile, baseDirectory());
    if (path.empty() || !fileExists(path)) return;
    if (treeAt("project")) {
        unloadPage();
        remove("project");
    }
    projectFile_ = path;
    std::string savedBase = baseDirectory();
    setBaseDirectory(parentDir(path));
    createLinked(path, "project");
    setBaseDirectory(savedBase);
    // A project file with no markup in it (damaged, or not a project at all)
    // was reported by the reader; the game plays with an empty project kept
    // in the Temp folder, so the file itself stays as it is for its author.
    if (!treeAt("project")) {
        std::string stand_in = tempName(path, "p127_");
        writeWholeFile(stand_in, kEmptyProject);
        setBaseDirectory(parentDir(path));
        createLinked(stand_in, "project");
        setBaseDirectory(savedBase);
    }
    TResource* project = treeAt("project");
    if (!project) return;
    projectHash_ = fileHashSum(project);
    if (!treeAt("project.params")) createList("project.params");
    if (getParam("commentID").empty()) setParam("commentID", std::to_string(TickMs()));
    if (getParam("sound_stopOnPageLoad").empty()) setParam("sound_stopOnPageLoad", "1");
    if (auto* params = dynamic_cast<TResourceList*>(treeAt("project.params")))
        for (size_t i = 0; i < params->children().size(); ++i)
            applyParam(params->children()[i]->name);
    setParam("savedVersion", "1270");
}

void TPrjManager::openForPage(std::string_view pageFile) {
    std::string file = projectFileFor(pageFile);
    if (!projectFile_.empty() && treeAt("project") &&
        !equalsNoCase(fileName(projectFile_), "default.ravokprj"))
        return;
    projectFile_ = file;
    pageState().reopenProject = true;
    pageState().compiled = false;
    if (!fileExists(file)) writeWholeFile(file, kEmptyProject);
    open(file);
    if (!treeAt("project.pages")) Log("!?---");
    registerPages(pageFile);
}

void TPrjManager::close() {
    remove("project");
    projectFile_.clear();
}

void TPrjManager::clearPages() {
    auto* list = dynamic_cast<TResourceList*>(pagesList());
    if (!list || list == treeAt("project")) return;
    while (!list->children().empty())
        list->removeAt(list->children().size() - 1);
}

void TPrjManager::addPage(std::string_view pageName, std::string_view file) {
    TResource* list = pagesList();
    if (!list) return;
    std::string unique = uniqueName(list, pageName);
    auto page = readResourceText("<page name=\"" + escapeMarkup(unique) + "\" src=\"" +
                                     escapeMarkup(file) + "\"/>",
                                 parentDir(projectFile_));
    if (page) list->addChild(std::move(page));
}

void TPrjManager::registerPages(std::string_view currentPage) {
    clearPages();
    std::string folder = parentDir(projectFile_);
    TDirectory dir(folder + "\\*.cmml");
    // The order of the original platform's directory listing: by name.
    std::vector<std::string> files = dir.files;
    // Names that differ only in case come in byte order, whatever order the
    // listing gave them in.
    std::sort(files.begin(), files.end(), [](const std::string& a, const std::string& b) {
        std::string fa = foldCase(a), fb = foldCase(b);
        return fa != fb ? fa < fb : a < b;
    });
    std::string current = lowerPath(resolve(currentPage, folder));
    TResource* list = pagesList();
    for (const std::string& f : files) {
        addPage("$page_" + baseName(f), f);
        auto* l = dynamic_cast<TResourceList*>(list);
        if (l && !l->children().empty() && lowerPath(resolve(f, folder)) == current)
            currentPageName_ = l->children().back()->name;
    }
}

TResource* TPrjManager::pagesList() {
    if (TResource* pages = treeAt("project.pages")) return pages;
    return treeAt("project");
}

TResource* TPrjManager::classesList() {
    return listCreated("project.classes", "TPrjManager.getClassList :: !?");
}

TResource* TPrjManager::soundsList() {
    return listCreated("project.sounds", "TPrjManager.getSoundList :: !?");
}

std::string TPrjManager::getParam(std::string_view paramName) {
    auto* p = dynamic_cast<TfParam*>(treeAt("project.params." + std::string(paramName)));
    return p ? p->value : std::string();
}

void TPrjManager::setParam(std::string_view paramName, std::string_view value) {
    std::string lower = foldCase(paramName);
    if (lower == "sleep_time") {
        framePacing().SleepTime = int32_t(std::strtol(std::string(value).c_str(), nullptr, 10));
        return;
    }
    std::string path = "project.params." + std::string(paramName);
    if (auto* p = dynamic_cast<TfParam*>(treeAt(path))) {
        p->value = std::string(value);
    } else if (treeAt("project.params")) {
        attach(path, readResourceText("<param name=\"" + escapeMarkup(paramName) + "\" value=\"" +
                                      escapeMarkup(value) + "\"/>"));
    }
    applyParam(paramName);
}

void TPrjManager::applyParam(std::string_view paramName) {
    std::string lower = foldCase(paramName);
    bool on = getParam(paramName) == "1";
    if (lower == "deactivation_disablekey")
        keyState().DisableKeysWhenInactive = on;
    else if (lower == "deactivation_pause")
        flags.pauseOnDeactivate = on;
    else if (lower == "disable_pause")
        flags.disablePause = on;
}

void TPrjManager::requestPage(std::string_view file, bool design) {
    pendingPage_ = std::string(file);
    pendingDesign_ = design;
}

void TPrjManager::servicePending() {
    if (pendingPage_.empty()) return;
    std::string page = pendingPage_;
    bool design = pendingDesign_;
    pendingPage_.clear();
    if (design) {
        loadPage(page);
        designPage();
    } else {
        stopPage();
        runPage(page);
    }
}

std::string TPrjManager::startPage() {
    std::string mainPage = getParam("mainPage");
    TResource* pages = pagesList();
    if (!mainPage.empty() && pages) {
        if (TResource* entry = treeAt("project.pages." + mainPage))
            return resolve(entry->sourceFile, programDirectory() + "\\Usr");
    }
    auto* list = dynamic_cast<TResourceList*>(pages);
    if (list && list != treeAt("project") && !list->children().empty())
        return list->children().front()->sourceFile;
    return {};
}

} // namespace ravok
