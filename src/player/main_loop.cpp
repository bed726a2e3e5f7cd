#include "player/main_loop.h"
#include "base/refresh_pacing.h"
#include "player/debugger.h"
#include "player/source_debugger.h"

#include "base/seam.h"

#include "base/frame_pacing.h"
#include "base/time_analyzer.h"
#include "pages/page_state.h"
#include "pages/project_manager.h"
#include "runtime/errors.h"
#include "runtime/interpreter.h"
#include "runtime/messages.h"
#include "runtime/native_api.h"
#include "runtime/process.h"
#include "runtime/root_process.h"
#include "runtime/stats.h"

#include "base/clock.h"
#include "base/key_source.h"
#include "base/reporter.h"
#include "screen/screen.h"
#include "sound/sorvald.h"

#include <chrono>
#include <optional>

namespace ravok {

TMainLoop& TMainLoop::instance() {
    static TMainLoop loop;
    return loop;
}

std::string runtimeErrorText(const std::string& message) {
    return translate("Runtim Error:") + message;
}

namespace {
TPlayerShell gNoShell;
constinit TSeam<TPlayerShell> gShell(gNoShell);
} // namespace

TPlayerShell& playerShell() { return gShell.get(); }
void setPlayerShell(TPlayerShell* shell) { gShell.install(shell); }

void TMainLoop::reset() {
    *this = TMainLoop();
    pageLoadsSeen_ = pageState().loads;
    framePacing() = TFramePacing();
}

bool TMainLoop::held() {
    return !AutoRun || Stopped || HeldByPlayer || !TRootProcess::instance().process() || InFrame ||
           (TPrjManager::instance().flags.pauseOnDeactivate && !keySource().applicationActive());
}

// A page load is a fresh start: the sound ticks resume after an error.
void TMainLoop::afterPageLoad() {
    if (pageState().loads == pageLoadsSeen_) return;
    pageLoadsSeen_ = pageState().loads;
    ErrorStop = false;
}

bool TMainLoop::Main() {
    TSourceDebugger::instance().frameBegins();
    debugWindow().idle();
    afterPageLoad();
    bool done = false;
    if (held()) {
        framePacing().hold(NowMs());
        PauseGame();
        done = true;
    } else {
        try {
            runBatch();
        } catch (const std::exception& e) {
            failed(e);
        }
    }
    TPrjManager::instance().servicePending();
    return done;
}

void TMainLoop::runBatch() {
    InFrame = true;
    auto began = std::chrono::steady_clock::now();
    int64_t instructionsBefore = InstructionsRun;
    std::optional<TScopedSection> batch(std::in_place, 45);
    ResumeGame();
    Preempted = false;
    TFramePacing& pacing = framePacing();
    const TRefreshPacing& refresh = refreshPacing();
    int n = refresh.framesAt(pacing, NowMs(), refresh.displayRefreshMs);
    TScreen& scr = screen();
    scr.DrawingFrame = false;
    for (int left = n; left >= 1; --left) {
        scr.DrawingFrame = left == 1;
        native::setGlobal("$_doDraw", TValue::ofInt(scr.DrawingFrame ? 1 : 0));
        if (scr.DrawingFrame) scr.Sprites.clear();
        {
            TScopedSection frame(47);
            if (TProcess* root = TRootProcess::instance().process()) run(root, kUnlimitedBudget);
        }
        ++FrameCount;
        // The switch is applied after the batch; the frames still due belong
        // to the page that is going away.
        if (TPrjManager::instance().hasPendingPage()) break;
    }
    if (!ErrorStop) soundEngine().Tick();
    batch.reset();
    if (!keySource().applicationActive()) SleepMs(100);
    SleepMs(pacing.SleepTime);
    TScopedSection drawing(46);
    LastDrawMs = 0;
    if (scr.DrawingFrame && !scr.DrawingStopped) {
        ++DrawCount;
        auto drawBegan = std::chrono::steady_clock::now();
        scr.DrawAll();
        LastDrawMs =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - drawBegan)
                .count();
    }
    caption.clear();
    caption += "0:";
    caption += pacing.LoadRing;
    appendStatisticsLine(caption);
    LastBatchInstructions = InstructionsRun - instructionsBefore;
    LastBatchMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - began).count();
    InFrame = false;
}

void TMainLoop::failed(const std::exception& e) {
    std::string text = runtimeErrorText(e.what());
    // A screen too large to draw stops the drawing, not the game; the author
    // is told either way.
    if (dynamic_cast<const EInvalidOperation*>(&e)) screen().DrawingStopped = true;
    ReportError(text);
    ErrorStop = true;
    playerShell().showSplash();
    InFrame = false;
}

void TMainLoop::RunOneFrame() {
    Preempted = false;
    TProcess* root = TRootProcess::instance().process();
    if (!root || InFrame) return;
    screen().DrawingFrame = true;
    screen().Sprites.clear();
    run(root, kUnlimitedBudget);
    screen().DrawAllOrStop();
}

void TMainLoop::PauseGame() {
    if (pageState().designMode || Paused) return;
    Paused = true;
    native::evaluateStatements("if($frameManager) $frameManager.doPause();");
    screen().DrawAllOrStop();
}

void TMainLoop::ResumeGame() {
    if (pageState().designMode || !Paused) return;
    Paused = false;
    native::evaluateStatements("if($frameManager) $frameManager.doPauseEnd();");
    screen().DrawAllOrStop();
}

} // namespace ravok
