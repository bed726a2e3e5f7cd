#include "base/frame_pacing.h"

#include <cmath>

namespace ravok {

TFramePacing& framePacing() {
    static TFramePacing pacing;
    return pacing;
}

int TFramePacing::dueFrames(long double now) {
    long double elapsed = now - BaseTime;
    int64_t n = elapsed <= 0 ? 0 : int64_t(std::floor(elapsed / FrameInterval));
    LoadRing[size_t(LoadRingPos - 1)] = char('0' + int(n % 256));
    if (++LoadRingPos > int(LoadRing.size())) LoadRingPos = 1;
    BaseTime += static_cast<long double>(n) * FrameInterval;
    return int(n > MaxFramesPerIdle ? MaxFramesPerIdle : n);
}

void TFramePacing::setFrameRate(int32_t interval, bool hasMax, int32_t maxFrames) {
    if (interval > 9) FrameInterval = interval;
    if (hasMax && maxFrames > 0) MaxFramesPerIdle = maxFrames;
}

} // namespace ravok
