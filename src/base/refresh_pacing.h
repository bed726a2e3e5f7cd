// Game frames at display refreshes. A window that presents in step with the
// display asks, at each refresh, how many game frames to run first. By the
// game's own rule that is the frames its interval (17 ms) says are due, so on
// a 60 Hz display one picture in about 51 is shown twice. With "match display
// refresh" on, and the display's rate within 3 % of the game's, each refresh
// runs exactly one frame: the game runs that much faster or slower, and
// smoothly.
#pragma once

#include "base/frame_pacing.h"

namespace ravok {

struct TRefreshPacing {
    bool matchRefresh = false;
    // The display's refresh interval as the window last learned it; 0 where
    // there is no display (headless) or it is not known.
    double displayRefreshMs = 0;

    // Whether one frame a refresh is close enough to the game's rate.
    static bool matches(double refreshMs, int32_t frameIntervalMs);
    // The frames to run at a refresh at `nowMs` on a display refreshing every
    // `refreshMs` (0 when unknown: the game's rule).
    int framesAt(TFramePacing& pacing, long double nowMs, double refreshMs) const;
    // Whether the window should run a frame at each refresh now.
    bool steppingWithRefresh(const TFramePacing& pacing) const {
        return matchRefresh && matches(displayRefreshMs, pacing.FrameInterval);
    }
};

// The main loop's: the desktop sets it from the player's settings and the
// display.
TRefreshPacing& refreshPacing();

} // namespace ravok
