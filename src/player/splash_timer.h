// The splash form's timer: while the splash has been up for less than two
// seconds it fills the progress bar; after that, once start-up has ended, it
// switches the game on and hides the splash. So the game starts at the later
// of the end of start-up and two seconds after the splash appeared.
#pragma once

#include <cstdint>

namespace ravok {

class TSplashTimer {
public:
    static constexpr int kImageWidth = 193;
    static constexpr int kImageHeight = 114;
    static constexpr int kBarRows = 4;
    static constexpr uint32_t kShowMs = 2000;
    static constexpr uint32_t kBarColour = 0xD0E0A3; // 0x00BBGGRR

    void show(uint32_t nowMs);
    // One tick (every 100 ms, and from every Notice): returns whether the
    // game was switched on by it.
    bool tick(uint32_t nowMs, bool booted, bool closing);

    bool visible = false;
    bool enabled = false;
    int barWidth = 0; // the filled part of the bar, in pixels from the left

private:
    uint32_t shownAt_ = 0;
};

} // namespace ravok
