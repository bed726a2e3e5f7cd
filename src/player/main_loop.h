// The main loop: the whole game runs inside the application's idle handler.
// Each call works out how many frames are due from the clock, runs the root
// process once per due frame with the frame budget, feeds the sound engine,
// sleeps the project's sleep time, redraws after the last frame of the batch,
// and then applies a page switch a script asked for. Whatever escapes a frame
// becomes one "Runtim Error:" report and stops the sound ticks until the next
// page load.
#pragma once

#include <cstdint>
#include <string>

namespace ravok {

// What the loop needs from the screen, the sound engine, the shell and the
// platform; the headless platform and, later, the desktop fill these in.
struct TMainLoopHooks {
    bool (*calibrationVisible)() = nullptr;
    bool (*applicationActive)() = nullptr;    // missing: always active
    void (*sleepMs)(int32_t ms) = nullptr;    // missing: no sleep
    void (*soundTick)() = nullptr;
    void (*clearSprites)() = nullptr;
    void (*setDrawingFrame)(bool on) = nullptr;
    void (*drawAll)() = nullptr;
    void (*redraw)() = nullptr;               // one redraw after a pause change
    void (*setCaption)(const std::string& text) = nullptr; // the debug window's caption
    void (*showPreempted)(bool preempted) = nullptr;
    void (*showSplash)() = nullptr;
};

class TMainLoop {
public:
    static TMainLoop& instance();

    // One idle call; returns `done`: true when the application should wait for
    // the next event, false when it should call again at once.
    bool Main();
    // One frame outside the loop (after a design-mode page switch, from the
    // debug window).
    void RunOneFrame();
    void PauseGame();
    void ResumeGame();
    // Back to the defaults of a fresh start.
    void reset();

    bool AutoRun = false;
    bool Stopped = false;
    bool InFrame = false;
    bool ErrorStop = false;
    bool Paused = false;
    bool DrawingFrame = false;
    bool DrawingStopped = false;
    int64_t DrawCount = 0;
    int64_t FrameCount = 0;
    std::string caption;

    TMainLoopHooks hooks;

private:
    bool held();
    void runBatch();
    void failed(const std::exception& e);
};

// The text "Runtim Error:" (translated) + message that a failed frame reports.
std::string runtimeErrorText(const std::string& message);

} // namespace ravok
