// The headless clock: time moves only when the player moves it, one frame
// interval per main-loop turn, so every run of the same game is identical.
#pragma once

#include "base/clock.h"

namespace ravok {

class TVirtualClock : public TClock {
public:
    long double nowMs() override { return now_; }
    void advance(long double ms) { now_ += ms; }

private:
    long double now_ = 0;
};

} // namespace ravok
