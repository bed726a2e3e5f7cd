#include "player/splash_timer.h"

namespace ravok {

void TSplashTimer::show(uint32_t nowMs) {
    shownAt_ = nowMs;
    visible = true;
    enabled = true;
}

bool TSplashTimer::tick(uint32_t nowMs, bool booted, bool closing) {
    if (closing || !enabled) return false;
    uint32_t elapsed = nowMs - shownAt_;
    if (elapsed < kShowMs) {
        barWidth = int(elapsed * uint32_t(kImageWidth) / kShowMs);
        return false;
    }
    if (!booted) return false;
    enabled = false;
    visible = false;
    return true;
}

} // namespace ravok
