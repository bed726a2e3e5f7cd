// The headless clock: time moves only when the player moves it, one frame
// interval per main-loop turn, so every run of the same game is identical.
// Sleeps take no time; they are counted, so that tests can see them.
#pragma once

#include "base/clock.h"

#include <cstdint>

namespace ravok {

class TVirtualClock : public TClock {
public:
    long double nowMs() override { return now_; }
    void advance(long double ms) { now_ += ms; }
    void sleepMs(int32_t ms) override {
        sleptMs += ms;
        ++sleeps;
    }

    int64_t sleptMs = 0;
    int64_t sleeps = 0;

private:
    long double now_ = 0;
};

} // namespace ravok
