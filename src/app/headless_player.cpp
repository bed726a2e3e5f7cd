#include "app/headless_player.h"

#include "app/console_debugger.h"
#include "app/frame_times.h"
#include "app/sound_timer.h"
#include "player/method_report.h"
#include "player/player_comforts.h"

#include "base/time_analyzer.h"

#include "app/headless_wiring.h"
#include "app/input_script.h"
#include "app/page_watch.h"
#include "app/position_reporter.h"
#include "app/trap_report.h"
#include "base/encoding.h"
#include "base/surface.h"
#include "runtime/native_api.h"

#include "base/frame_pacing.h"
#include "kernel/boot.h"
#include "pages/page_loader.h"
#include "pages/page_state.h"
#include "pages/project_manager.h"
#include "platform/headless/virtual_clock.h"
#include "platform/headless/virtual_wave_out.h"
#include "player/main_loop.h"
#include "resources/host_files.h"
#include "resources/program_paths.h"
#include "resources/resource_kinds.h"
#include "resources/resource_tree.h"
#include "runtime/arena.h"
#include "runtime/host_registry.h"
#include "runtime/messages.h"
#include "runtime/paths.h"
#include "runtime/runtime_natives.h"
#include "runtime/sjis.h"
#include "runtime/stats.h"
#include "screen/screen.h"
#include "sound/sorvald.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <thread>
#include <unistd.h>

namespace ravok {

std::string commandLinePath(const std::string& hostPath) {
    if (hostPath.empty()) return hostPath;
    char cwd[4096];
    if (hostPath[0] == '/' || !getcwd(cwd, sizeof cwd)) return fromHostPath(hostPath);
    return fromHostPath(std::string(cwd) + "/" + hostPath);
}

namespace {

// One line on standard error for soak runs: the resident size, the arena's
// high-water mark (its free lists are reused, so it only grows when live data
// does) and the live counts of the runtime.
void reportMemory(long frame) {
    long residentKb = 0;
    if (FILE* f = std::fopen("/proc/self/status", "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, f))
            if (std::sscanf(line, "VmRSS: %ld kB", &residentKb) == 1) break;
        std::fclose(f);
    }
    std::fprintf(stderr,
                 "memory: frame %ld resident %ld kB arena %zu bytes instances %lld processes %lld "
                 "strings %lld cells %lld host objects %zu\n",
                 frame, residentKb, TArena::instance().bytesInUse(), (long long)gStats.instances,
                 (long long)gStats.processes, (long long)gStats.strings,
                 (long long)gStats.valueCells, THostRegistry::instance().liveCount());
}

} // namespace

namespace {
std::string said(const char* text) { return cp932ToTerminal(translate(text)); }

// Right-aligned in `width` columns of a terminal, where a Japanese character
// takes two.
std::string padded(const std::string& text, int width) {
    int columns = 0;
    for (uint32_t c : utf8ToCodePoints(text))
        columns += c >= 0x1100 && !(c >= 0xFF61 && c <= 0xFF9F) ? 2 : 1;
    return std::string(size_t(std::max(0, width - columns)), ' ') + text;
}

// The script methods by their own time: where a game's time goes, in the
// author's terms.
void reportMethods() {
    std::vector<TMethodRow> rows = methodRows();
    std::fprintf(stderr, "%s\n", said("script methods by own time (milliseconds):").c_str());
    std::fprintf(stderr, "%s %s %7s %s %s  %s  %s\n", padded(said("calls"), 10).c_str(),
                 padded(said("own ms"), 10).c_str(), "%", padded(said("total ms"), 10).c_str(),
                 padded(said("instructions"), 13).c_str(), said("method").c_str(),
                 said("where").c_str());
    for (const TMethodRow& row : rows)
        std::fprintf(stderr, "%10llu %10.3f %7.1f %10.3f %13llu  %s  %s\n",
                     (unsigned long long)row.calls, row.selfMs, row.selfPercent, row.totalMs,
                     (unsigned long long)row.instructions, row.method.c_str(), row.place.c_str());
}

// The result window's rows on standard error, by total time, each time in
// milliseconds of the host's monotonic clock (the virtual clock would make
// the work of a frame take no time at all).
void reportProfile() {
    TTimeAnalyzer& analyzer = TTimeAnalyzer::instance();
    analyzer.endSection(0);
    // The result window's own header is Japanese and its numbers carry
    // fifteen digits; the terminal gets the reader's language and figures
    // rounded to what a measurement in milliseconds can tell.
    std::fprintf(
        stderr, "%s\n",
        cp932ToTerminal(translate("profile (sections by total time, milliseconds):")).c_str());
    std::fprintf(stderr, "%6s %10s %12s %8s %12s\n", cp932ToTerminal(translate("No.")).c_str(),
                 cp932ToTerminal(translate("passes")).c_str(),
                 cp932ToTerminal(translate("total ms")).c_str(), "%",
                 cp932ToTerminal(translate("ms a pass")).c_str());
    auto number = [](const std::string& text) { return std::strtod(text.c_str(), nullptr); };
    for (const auto& row : analyzer.listing(2, true))
        std::fprintf(stderr, "%6s %10.0f %12.3f %8.1f %12.4f\n", row[0].c_str(), number(row[1]),
                     number(row[2]), number(row[3]), number(row[4]));
    reportMethods();
}
} // namespace

int runHeadless(const THeadlessOptions& options) {
    TInputScript input;
    if (!options.input.empty()) {
        std::string error;
        if (!input.load(options.input, error)) {
            std::fprintf(stderr, "ravok: %s\n", error.c_str());
            return 1;
        }
    }
    TPositionReporter reporter;
    TVirtualClock clock;
    TVirtualWaveOut wave(clock);
    wave.recording = !options.audio.empty();
    TFrameShots shots(options.shots, options.gifs);
    THeadlessWindow window(shots, options.input.empty() ? nullptr : &input);
    wireHeadless({reporter, clock, wave, input.keys(), input.joysticks(), window});
    // A headless run is reproducible: the player's own settings (a volume
    // turned down in the window) apply only when a file is named for it.
    if (const char* named = std::getenv("RAVOK_PLAYER_SETTINGS"); named && *named)
        loadPlayerSettings();
    std::optional<TRunDebugging> debugging;
    debugging.emplace(options.front, options.debug, options.breaks);
    TSoundTimer soundTimer;
    TMainLoop& loop = TMainLoop::instance();
    bootPlayer(commandLinePath(options.page));
    // The window's start-up tells the game where it stands; a headless run
    // answers as a window at the screen's position would.
    native::setGlobal("$windowX", TValue::ofInt(screen().windowX));
    native::setGlobal("$windowY", TValue::ofInt(screen().windowY));
    native::setGlobal("$fullScreen", TValue::ofInt(options.fullScreen ? 1 : 0));
    // The main loop is installed when start-up has ended; without a splash
    // the game switches on at once.
    framePacing().BaseTime = NowMs();
    loop.AutoRun = true;
    if (options.profile) {
        TTimeAnalyzer::instance().resetSections();
        setMethodProfiling(true);
    }
    long lastMemoryLine = -1;
    std::unique_ptr<TPageWatch> watch;
    if (options.watch)
        watch = std::make_unique<TPageWatch>(
            [](const std::string& text) { std::fprintf(stderr, "ravok: %s\n", text.c_str()); });
    std::optional<TFrameTimes> frameTimes;
    if (options.frameTimesAfter >= 0) frameTimes.emplace(options.frameTimesAfter);
    while (options.frames <= 0 || loop.FrameCount < options.frames) {
        if (watch) {
            watch->turn();
            // An author edits while the game runs: frames at the game's own
            // pace, on the host's clock (the game still sees the virtual one).
            std::this_thread::sleep_for(std::chrono::milliseconds(framePacing().FrameInterval));
        }
        clock.advance(framePacing().FrameInterval);
        input.beforeFrame(long(loop.FrameCount) + 1);
        long frameBefore = long(loop.FrameCount);
        bool done = loop.Main();
        if (frameTimes && loop.FrameCount == frameBefore + 1)
            frameTimes->add(long(loop.FrameCount), loop.LastBatchMs, loop.LastDrawMs);
        soundTimer.turn();
        if (options.memoryEvery > 0 && loop.FrameCount % options.memoryEvery == 0 &&
            loop.FrameCount != lastMemoryLine) {
            lastMemoryLine = loop.FrameCount;
            reportMemory(loop.FrameCount);
        }
        if (gProgramExitRequested) break;
        // A watched page that failed to start waits for the fix.
        if (done && !watch && !TPrjManager::instance().hasPendingPage()) {
            // Held with no event to come (no page running): nothing will change.
            if (!input.pending()) break;
            // Held waiting for the window (paused while inactive): no game
            // frame passes, so the next event comes on the next turn.
            input.beforeFrame(input.nextFrame());
        }
    }
    std::fflush(stdout);
    if (frameTimes) std::fprintf(stderr, "%s\n", frameTimes->report().c_str());
    if (options.profile) {
        reportProfile();
        setMethodProfiling(false);
    }
    bool audioFailed = false;
    if (wave.recording && !wave.writeWav(options.audio)) {
        std::fprintf(stderr, "ravok: %s: cannot be written\n", options.audio.c_str());
        audioFailed = true;
    }
    soundEngine().SetEnabled(false);
    debugging.reset(); // before the wiring it holds on to goes
    unwireHeadless();
    bool shotsMissing = !shots.reportMissing();
    return reporter.errors > 0 || shotsMissing || audioFailed ? 3 : 0;
}

int checkGame(const std::string& pageOrProject, const std::set<std::string>& silenced) {
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
    if (ok && reporter.errors == 0) reportTraps(silenced, pages, reporter.shownNames);
    setReporter(previous);
    return ok && reporter.errors == 0 ? 0 : 1;
}

} // namespace ravok
