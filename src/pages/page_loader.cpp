#include "pages/page_loader.h"

#include "base/time_analyzer.h"

#include "base/seam.h"

#include "pages/page_state.h"
#include "pages/project_manager.h"
#include "resources/host_files.h"
#include "resources/program_paths.h"
#include "resources/resource_kinds.h"
#include "resources/resource_reader.h"
#include "resources/resource_tree.h"
#include "runtime/errors.h"
#include "runtime/interpreter.h"
#include "runtime/messages.h"
#include "runtime/native_api.h"
#include "runtime/paths.h"
#include "runtime/root_process.h"
#include "runtime/rtti.h"

#include "base/log.h"
#include "base/reporter.h"
#include "resources/environment.h"
#include "screen/cpattern.h"
#include "screen/key_state.h"
#include "screen/screen.h"
#include "sound/sorvald.h"

#include <algorithm>
#include <ctime>

namespace ravok {

namespace {

void setDesignMode(bool on) {
    pageState().designMode = on;
    keyState().DesignMode = on;
}

bool bootClassExists() { return resolveClassPath("classes.lang.Boot") || resolveClassPath("Boot"); }

// A page's globals that the screen reads always exist in usr.global.
void registerPageGlobals() {
    if (!treeAt("usr.global")) {
        if (TResource* usr = treeAt("usr"))
            if (auto list = readResourceText("<resourcelist name=\"global\"></resourcelist>"))
                usr->addChild(std::move(list));
    }
    TResource* globals = treeAt("usr.global");
    if (!globals) return;
    for (const char* g : {"$screenWidth", "$screenHeight"})
        if (!globals->findChild(g))
            if (auto value =
                    readResourceText(std::string("<globalvalue name=\"") + g + "\" value=\"\">"))
                globals->addChild(std::move(value));
}

std::string usrFolder() { return programDirectory() + "\\Usr"; }

} // namespace

TPageState& pageState() {
    static TPageState state;
    return state;
}

namespace {
TBusyIndicator gNoIndicator;
constinit TSeam<TBusyIndicator> gIndicator(gNoIndicator);
} // namespace

TBusyIndicator& busyIndicator() { return gIndicator.get(); }
void setBusyIndicator(TBusyIndicator* indicator) { gIndicator.install(indicator); }

bool createPageFile(std::string_view file) {
    if (fileExists(file)) return !directoryExists(file);
    return writeWholeFile(file, "<resourcelist name=\"usr\">\r\n"
                                " <resourcelist name=\"patterns\">\r\n </resourcelist>\r\n"
                                " <resourcelist name=\"classes\">\r\n </resourcelist>\r\n"
                                " <resourcelist name=\"gen\">\r\n </resourcelist>\r\n"
                                "</resourcelist>\r\n");
}

// Loading a page is measured as section 60, in stages: 61 the project
// opened or the old page stopped, 62 the page file read into the tree, 63
// its classes compiled, 65 its patterns and globals.
int loadPage(std::string_view file) {
    TScopedSection whole(60);
    TPageState& page = pageState();
    TPrjManager& project = TPrjManager::instance();
    busyIndicator().busy(true);
    // A new page gets a window the game fixes again and a fresh start after
    // a failed frame or a failed drawing.
    ++page.loads;
    {
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        page.loadReadAtNs = int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
    }
    screen().SizeUnlocked = false;
    screen().DrawingStopped = false;
    std::string full = resolve(file, baseDirectory());
    if (full.empty() || !fileExists(full) || directoryExists(full)) {
        ReportError((full.empty() ? std::string(file) : full) + translate(" does not exist."));
        screen().NotRunning = true;
        return 0;
    }
    TEnvironment::instance().setEnv("AutoLoadPage", full);
    page.currentPageFile = full;
    setBaseDirectory(parentDir(full));
    addRecentPage(full);
    Log("Loading Page " + full);

    {
        TScopedSection opening(61);
        if (page.reopenProject || !samePath(project.projectFile(), projectFileFor(full)))
            project.openForPage(full);
        else
            stopPage();
    }

    if (auto* pages = dynamic_cast<TResourceList*>(project.pagesList()))
        for (const auto& entry : pages->children())
            if (!entry->sourceFile.empty() && samePath(entry->sourceFile, full)) {
                project.setCurrentPageName(entry->name);
                break;
            }

    // The page's classes are found by their short names through the
    // project's class list, so the page's own copies must not claim them.
    {
        TScopedSection reading(62);
        TAlias::instance().registering = false;
        remove("usr");
        createLinked(full, "usr");
        TAlias::instance().registering = true;
    }

    if (TResource* classes = treeAt("usr.classes")) mergeInto(project.classesList(), classes);
    if (TResource* sounds = treeAt("usr.sounds"))
        if (mergeInto(project.soundsList(), sounds))
            native::setGlobal("$_soundAdded", TValue::ofInt(1));

    page.compiled = false;
    {
        TScopedSection compiling(63);
        if (TResource* classes = project.classesList()) classes->initialize();
    }
    page.compiled = true;

    TScopedSection finishing(65);
    int patterns = buildPagePatterns(treeAt("usr.patterns"));

    registerPageGlobals();
    if (page.compiled) screen().NotRunning = false;
    page.reopenProject = false;
    return patterns;
}

void runPage(std::string_view file) {
    clearLastWarning();
    setDesignMode(false);
    Log("---LoadPage--");
    bool started = false;
    try {
        loadPage(file);
        Log("--/LoadPage--");
        if (pageState().compiled && bootClassExists())
            started = TRootProcess::instance().start(TRunMode::Run);
    } catch (const EInitializationReported&) {
        // Each class that failed has been reported at its line.
    } catch (const std::exception& e) {
        ReportError(translate("Runtim Error:") + e.what());
    }
    if (started) busyIndicator().busy(false);
}

void designPage() {
    busyIndicator().busy(false);
    stopPage();
    try {
        if (pageState().compiled && bootClassExists() &&
            TRootProcess::instance().start(TRunMode::Design)) {
            setDesignMode(true);
            soundEngine().timerEnabled = true;
        }
    } catch (const EInitializationReported&) {
        // Each class that failed has been reported at its line.
    } catch (const std::exception& e) {
        ReportError(translate("Runtim Error:") + e.what());
    }
}

void stopPage() {
    TScopedSection unloading(1);
    screen().Sprites.clear();
    TRootProcess::instance().stop();
}

void unloadPage() {
    stopPage();
    if (TResource* root = resourceRoot()) root->releaseValues();
}

void reloadPage() {
    if (TResource* usr = treeAt("usr")) runPage(std::string(usr->sourceFile));
}

bool savePage() { return saveToFile("usr"); }

void loadRecentPages() {
    std::vector<std::string>& recent = pageState().recentPages;
    recent.clear();
    for (int i = 0; i <= 9; ++i) {
        std::string v = TEnvironment::instance().getEnv("RecentPage" + std::to_string(i));
        if (v.empty()) continue;
        std::string p = resolve(v, programDirectory());
        if (fileExists(p) && recent.size() < kMaxRecentPages) recent.push_back(p);
    }
}

void addRecentPage(const std::string& file) {
    std::string folder = parentDir(file);
    if (samePath(folder, usrFolder())) return;
    std::vector<std::string>& recent = pageState().recentPages;
    auto same = std::find_if(recent.begin(), recent.end(),
                             [&](const std::string& p) { return samePath(parentDir(p), folder); });
    if (same != recent.end()) recent.erase(same);
    recent.insert(recent.begin(), file);
    if (recent.size() > kMaxRecentPages) recent.resize(kMaxRecentPages);
}

} // namespace ravok
