#include "base/refresh_pacing.h"

#include <cmath>

namespace ravok {

TRefreshPacing& refreshPacing() {
    static TRefreshPacing pacing;
    return pacing;
}

bool TRefreshPacing::matches(double refreshMs, int32_t frameIntervalMs) {
    if (refreshMs <= 0 || frameIntervalMs <= 0) return false;
    return std::fabs(refreshMs - frameIntervalMs) <= 0.03 * frameIntervalMs;
}

int TRefreshPacing::framesAt(TFramePacing& pacing, long double nowMs, double refreshMs) const {
    if (matchRefresh && matches(refreshMs, pacing.FrameInterval)) {
        // A call between refreshes (the loop woken by something else) runs
        // nothing: one frame a refresh.
        if (nowMs - pacing.BaseTime < refreshMs / 2) return 0;
        // The refresh is the clock: the game's own clock follows it, so that
        // turning the setting off later brings no burst of frames.
        pacing.dueFrames(pacing.BaseTime + pacing.FrameInterval);
        pacing.hold(nowMs);
        return 1;
    }
    return pacing.dueFrames(nowMs);
}

} // namespace ravok
