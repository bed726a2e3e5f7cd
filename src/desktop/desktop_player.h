// The desktop player on GTK: the screen window with its menu, drawing area
// and status bar, the splash, message boxes, mouse handling, and the main
// loop run from the GTK idle handler, paced so that it never spins.
#pragma once

#include <string>
#include <vector>

namespace ravok {

struct TDesktopOptions {
    std::string page;      // empty: the project's start page
    bool fullScreen = false;
    long frames = 0;       // > 0: close after that many game frames (tests)
    struct Shot {
        long frame;
        std::string file;
    };
    std::vector<Shot> shots;
};

// Whether a display can be opened.
bool desktopAvailable();

// Runs until the window closes; the exit status is 3 after a reported error.
int runDesktop(const TDesktopOptions& options);

} // namespace ravok
