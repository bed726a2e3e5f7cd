// Playing a game in a window. `ravok` itself loads no window, drawing-shell,
// audio or MIDI library, so that scripts, checks and headless runs start in
// milliseconds: its default window player starts the desktop program
// `ravok-desktop` from the executable's folder with the same command line.
// ravok-desktop installs the GTK shell in its place.
#pragma once

#include "app/frame_shots.h"

#include <optional>
#include <string>
#include <vector>

namespace ravok {

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
};

// The default: hands the command line to ravok-desktop.
TWindowPlayer& desktopLauncher();

} // namespace ravok
