// The player without a window: boots, opens the start page and runs the main
// loop on the virtual clock for a number of frames (--headless --frames N),
// or compiles every class of a page or project and reports (--check).
#pragma once

#include "app/frame_shots.h"

#include <set>
#include <string>
#include <vector>

namespace ravok {

class TDebugWindow;

struct THeadlessOptions {
    std::string page; // empty: the project's start page
    long frames = 0;  // 0: until the game exits
    std::vector<TFrameShot> shots;
    std::vector<TFrameRun> gifs;
    bool watch = false;        // --watch: reload the page when its files change
    std::string input;         // --input FILE (a host path)
    std::string audio;         // --audio FILE.wav (a host path)
    bool fullScreen = false;   // FULLSCREEN: only $fullScreen tells
    long memoryEvery = 0;      // --memory-every N: a memory line every N frames
    bool profile = false;      // --profile: the time analyzer's table at exit
    long frameTimesAfter = -1; // --frame-times WARMUP: frame times after WARMUP frames
    // --break FILE:LINE (repeatable) and --debug: the terminal's debugger.
    std::vector<std::pair<std::string, int>> breaks;
    bool debug = false;
    // The debugger's front for the run (the editor adapter), or none.
    TDebugWindow* front = nullptr;
};

// Exit status 3 when an error was reported, else 0.
int runHeadless(const THeadlessOptions& options);

// A path from the command line (a host path, relative to where the player
// was started) as a program path.
std::string commandLinePath(const std::string& hostPath);

// Exit status 0 when every class compiled, 1 otherwise.
// --check of a page or project: every class compiled, each error reported,
// and the traps of the game's own classes warned about unless silenced.
int checkGame(const std::string& pageOrProject, const std::set<std::string>& silenced = {});

} // namespace ravok
