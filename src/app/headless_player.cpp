#include "headless_player.h"

#include "position_reporter.h"

#include "boot.h"
#include "diagnostics/frame_pacing.h"
#include "diagnostics/main_loop.h"
#include "host_files.h"
#include "page_loader.h"
#include "page_state.h"
#include "paths.h"
#include "platform/headless/virtual_clock.h"
#include "program_paths.h"
#include "project_manager.h"
#include "resource_kinds.h"
#include "resource_tree.h"
#include "runtime_natives.h"
#include "sjis.h"

#include <cstdio>
#include <unistd.h>

namespace ravok {

namespace {

// Command-line paths are the user's, relative to where the player was started.
std::string commandLinePath(const std::string& hostPath) {
    if (hostPath.empty() || hostPath[0] == '/') return hostPath.empty() ? hostPath : fromHostPath(hostPath);
    char cwd[4096];
    if (!getcwd(cwd, sizeof cwd)) return fromHostPath(hostPath);
    return fromHostPath(std::string(cwd) + "/" + hostPath);
}

} // namespace

int runHeadless(const THeadlessOptions& options) {
    TPositionReporter reporter;
    TReporter* previous = setReporter(&reporter);
    TVirtualClock clock;
    setClock(&clock);
    TMainLoop& loop = TMainLoop::instance();
    bootPlayer(commandLinePath(options.page));
    // The main loop is installed when start-up has ended; without a splash
    // the game switches on at once.
    framePacing().BaseTime = NowMs();
    loop.AutoRun = true;
    while (options.frames <= 0 || loop.FrameCount < options.frames) {
        clock.advance(framePacing().FrameInterval);
        bool done = loop.Main();
        if (gProgramExitRequested) break;
        // Held with no event to come (no page running): nothing will change.
        if (done && !TPrjManager::instance().hasPendingPage()) break;
    }
    std::fflush(stdout);
    setClock(nullptr);
    setReporter(previous);
    return reporter.errors > 0 ? 3 : 0;
}

int checkGame(const std::string& pageOrProject) {
    TPositionReporter reporter;
    TReporter* previous = setReporter(&reporter);
    bool ok = bootKernel();
    std::string file = commandLinePath(pageOrProject);
    if (ok && !fileExists(file)) {
        std::fprintf(stderr, "ravok: %s: cannot be read\n", pageOrProject.c_str());
        ok = false;
    }
    std::vector<std::string> pages;
    if (ok && equalsNoCase(extension(file), ".ravokprj")) {
        TPrjManager::instance().open(file);
        if (auto* list = dynamic_cast<TResourceList*>(TPrjManager::instance().pagesList()))
            for (const auto& entry : list->children())
                if (!entry->sourceFile.empty()) pages.push_back(entry->sourceFile);
    } else if (ok) {
        pages.push_back(file);
    }
    for (const std::string& page : pages) {
        try {
            loadPage(page);
            if (!pageState().compiled) ok = false;
        } catch (const std::exception&) {
            ok = false; // the compiler has reported each failed class
        }
    }
    setReporter(previous);
    return ok && reporter.errors == 0 ? 0 : 1;
}

} // namespace ravok
