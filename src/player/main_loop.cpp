#include "player/main_loop.h"

#include "runtime/errors.h"
#include "base/frame_pacing.h"
#include "runtime/interpreter.h"
#include "runtime/messages.h"
#include "runtime/native_api.h"
#include "pages/page_state.h"
#include "runtime/process.h"
#include "pages/project_manager.h"
#include "runtime/root_process.h"
#include "runtime/stats.h"
#include "base/time_analyzer.h"

#include "base/clock.h"
#include "base/reporter.h"

#include <optional>

namespace ravok {

namespace {
// A time-analyzer section that closes however the block is left.
struct TScopedSection {
    explicit TScopedSection(int n) : section(n) { BeginSection(n); }
    ~TScopedSection() { EndSection(section); }
    int section;
};
} // namespace

TMainLoop& TMainLoop::instance() {
    static TMainLoop loop;
    return loop;
}

std::string runtimeErrorText(const std::string& message) {
    return translate("Runtim Error:") + message;
}

void TMainLoop::reset() {
    TMainLoopHooks kept = hooks;
    *this = TMainLoop();
    hooks = kept;
    framePacing() = TFramePacing();
}

bool TMainLoop::held() {
    bool active = !hooks.applicationActive || hooks.applicationActive();
    return !AutoRun || Stopped || !TRootProcess::instance().process() || InFrame ||
           (TPrjManager::instance().flags.pauseOnDeactivate && !active);
}

bool TMainLoop::Main() {
    if (hooks.calibrationVisible && hooks.calibrationVisible()) {
        if (hooks.sleepMs) hooks.sleepMs(16);
        if (hooks.soundTick) hooks.soundTick();
        return false;
    }
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
    if (hooks.showPreempted) hooks.showPreempted(Preempted);
    return done;
}

void TMainLoop::runBatch() {
    InFrame = true;
    std::optional<TScopedSection> batch(std::in_place, 45);
    ResumeGame();
    Preempted = false;
    TFramePacing& pacing = framePacing();
    int n = pacing.dueFrames(NowMs());
    DrawingFrame = false;
    if (hooks.setDrawingFrame) hooks.setDrawingFrame(false);
    for (int left = n; left >= 1; --left) {
        DrawingFrame = left == 1;
        if (hooks.setDrawingFrame) hooks.setDrawingFrame(DrawingFrame);
        native::setGlobal("$_doDraw", TValue::ofInt(DrawingFrame ? 1 : 0));
        if (DrawingFrame && hooks.clearSprites) hooks.clearSprites();
        {
            TScopedSection frame(47);
            if (TProcess* root = TRootProcess::instance().process()) run(root, kUnlimitedBudget);
        }
        ++FrameCount;
        // The switch is applied after the batch; the frames still due belong
        // to the page that is going away.
        if (TPrjManager::instance().hasPendingPage()) break;
    }
    if (!ErrorStop && hooks.soundTick) hooks.soundTick();
    batch.reset();
    bool active = !hooks.applicationActive || hooks.applicationActive();
    if (hooks.sleepMs) {
        if (!active) hooks.sleepMs(100);
        hooks.sleepMs(pacing.SleepTime);
    }
    TScopedSection drawing(46);
    if (DrawingFrame && !DrawingStopped) {
        ++DrawCount;
        if (hooks.drawAll) hooks.drawAll();
    }
    caption = "0:" + pacing.LoadRing + statisticsLine();
    if (hooks.setCaption) hooks.setCaption(caption);
    InFrame = false;
}

void TMainLoop::failed(const std::exception& e) {
    std::string text = runtimeErrorText(e.what());
    if (dynamic_cast<const EInvalidOperation*>(&e)) {
        DrawingStopped = true;
        Notice(text);
    } else {
        ReportError(text);
    }
    ErrorStop = true;
    if (hooks.showSplash) hooks.showSplash();
    InFrame = false;
}

void TMainLoop::RunOneFrame() {
    Preempted = false;
    TProcess* root = TRootProcess::instance().process();
    if (!root || InFrame) return;
    DrawingFrame = true;
    if (hooks.setDrawingFrame) hooks.setDrawingFrame(true);
    if (hooks.clearSprites) hooks.clearSprites();
    run(root, kUnlimitedBudget);
    if (hooks.drawAll) hooks.drawAll();
}

void TMainLoop::PauseGame() {
    if (pageState().designMode || Paused) return;
    Paused = true;
    native::evaluateStatements("if($frameManager) $frameManager.doPause();");
    if (hooks.redraw) hooks.redraw();
}

void TMainLoop::ResumeGame() {
    if (pageState().designMode || !Paused) return;
    Paused = false;
    native::evaluateStatements("if($frameManager) $frameManager.doPauseEnd();");
    if (hooks.redraw) hooks.redraw();
}

} // namespace ravok
