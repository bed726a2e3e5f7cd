// Frame pacing: how many game frames an idle call of the main loop runs. The
// due frames come from a millisecond clock; the fractional remainder stays in
// the base time so the game clock does not drift, and a batch never runs
// more than MaxFramesPerIdle frames (a long stall slows the game down rather
// than producing a burst of frames).
#pragma once

#include <cstdint>
#include <string>

namespace ravok {

struct TFramePacing {
    int32_t FrameInterval = 17; // ms
    int32_t MaxFramesPerIdle = 7;
    int32_t SleepTime = 0;    // ms after every batch (project parameter sleep_time)
    long double BaseTime = 0; // the next frame is due at BaseTime + FrameInterval
    std::string LoadRing = "0000000000";
    int LoadRingPos = 1; // 1-based

    // Frames due at `now`: writes the count into the load ring, advances the
    // base time by the whole frames and returns the count clamped to the
    // maximum (time beyond the clamp is dropped).
    int dueFrames(long double now);
    // The held loop follows the clock, so that no burst follows a hold.
    void hold(long double now) { BaseTime = now; }

    // _n_setFrameRate(interval[, maxFrames]): an interval above 9 ms and a
    // maximum above 0 are taken; other values leave the old ones.
    void setFrameRate(int32_t interval, bool hasMax, int32_t maxFrames);
};

TFramePacing& framePacing();

} // namespace ravok
