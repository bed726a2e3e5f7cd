// The browser's clock: performance.now(). A page cannot sleep; the frames are
// paced by the animation frames that call the main loop, so the loop's
// sleeps return at once.
#pragma once

#include "base/clock.h"

namespace ravok {

class TWebClock : public TClock {
public:
    long double nowMs() override;
    void sleepMs(int32_t) override {}
};

} // namespace ravok
