// Playing a game in a window. `ravok` itself loads no window, drawing-shell,
// audio or MIDI library, so that scripts, checks and headless runs start in
// milliseconds: its default window player starts the desktop program
// `ravok-desktop` from the executable's folder with the same command line.
// ravok-desktop installs the GTK shell in its place.
#pragma once

#include "app/frame_shots.h"

#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace ravok {

class TDebugWindow;

// Waiting for events while the debugger holds: the debug adapter waits for
// its editor's next request, and a window must go on answering its own
// events meanwhile. The default waits on the adapter alone.
class THoldEvents {
public:
    virtual ~THoldEvents() = default;
    // Waits until `ready` holds or something else happened; false when the
    // program is closing.
    virtual bool waitOnce(const std::function<bool()>& ready);
    // From another thread: a wait in progress looks at `ready` again.
    virtual void wake();
    // A hold begins (true) or ends: a window stops running frames meanwhile.
    virtual void holding(bool /*on*/) {}

private:
    std::mutex lock_;
    std::condition_variable changed_;
};

struct TWindowOptions {
    std::string page; // a program path; empty: the project's start page
    bool fullScreen = false;
    long frames = 0; // > 0: close after that many game frames (tests)
    std::vector<TFrameShot> shots;
    std::vector<TFrameRun> gifs;
    bool watch = false;
    std::string record; // --record FILE: a host path, or empty
    // --break FILE:LINE: breakpoints the debug window holds at.
    std::vector<std::pair<std::string, int>> breaks;
    // The debugger's front for the run (the editor adapter), in place of the
    // debug window; none: the debug window.
    TDebugWindow* front = nullptr;
};

class TWindowPlayer {
public:
    virtual ~TWindowPlayer() = default;
    // Whether a window can be opened at all.
    virtual bool available();
    // Plays in a window and returns the exit status; nothing when the window
    // could not be opened after all (the game then plays headless). argv is
    // the command line as given, for a player that hands it on.
    virtual std::optional<int> run(const TWindowOptions& options, char** argv);
    // Whether run() plays in this process (ravok-desktop), rather than
    // handing the command line on.
    virtual bool inProcess() { return false; }
    // How a hold waits while this player's window is up.
    virtual THoldEvents& holdEvents();
};

// The default: hands the command line to ravok-desktop.
TWindowPlayer& desktopLauncher();

} // namespace ravok
