// The main loop: the whole game runs inside the application's idle handler.
// Each call works out how many frames are due from the clock, runs the root
// process once per due frame with the frame budget, feeds the sound engine,
// sleeps the project's sleep time (and 100 ms more while the window is
// inactive) on the installed clock, redraws after the last frame of the
// batch, and then applies a page switch a script asked for. Whatever escapes
// a frame becomes one "Runtim Error:" report and stops the sound ticks until
// the next page load.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

namespace ravok {

// What the loop tells the shell around it. The default, for a player without
// a window, shows nothing.
class TPlayerShell {
public:
    virtual ~TPlayerShell() = default;
    // A frame failed: the splash-and-status form comes back.
    virtual void showSplash() {}
};
TPlayerShell& playerShell();
// nullptr restores the default.
void setPlayerShell(TPlayerShell* shell);

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
    // The player paused the game (Ctrl+P): held as an inactive window holds it.
    bool HeldByPlayer = false;
    int64_t DrawCount = 0;
    int64_t FrameCount = 0;
    // The last batch: its milliseconds on the host's clock and the
    // instructions it ran, for the authors' overlay.
    double LastBatchMs = 0;
    double LastDrawMs = 0; // the part of it that drew the frame
    int64_t LastBatchInstructions = 0;
    // "0:" + the load ring + the statistics line, after every batch.
    std::string caption;

private:
    long pageLoadsSeen_ = 0;
    void afterPageLoad();
    bool held();
    void runBatch();
    void failed(const std::exception& e);
};

// The text "Runtim Error:" (translated) + message that a failed frame reports.
std::string runtimeErrorText(const std::string& message);

} // namespace ravok
