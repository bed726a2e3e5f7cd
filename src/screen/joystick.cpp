#include "screen/joystick.h"

#include <algorithm>

namespace ravok {

TJoystickState& joystickState() {
    static TJoystickState state;
    return state;
}

void TJoystickState::poll(int64_t id) {
    size_t i = index(id);
    TJoyReading r;
    if (!joySource().read(int(i), r)) return;
    raw_[i] = r;
    maxX = std::max(maxX, r.x);
    minX = std::min(minX, r.x);
    maxY = std::max(maxY, r.y);
    minY = std::min(minY, r.y);
    uint32_t cx = (maxX + minX) / 2, cy = (maxY + minY) / 2;
    flags_[i][Left] = r.x < (minX + cx) / 2;
    flags_[i][Right] = r.x > (maxX + cx) / 2;
    flags_[i][Up] = r.y < (minY + cy) / 2;
    flags_[i][Down] = r.y > (maxY + cy) / 2;
}

int32_t TJoystickState::direction(int64_t id, TDirection d) {
    size_t i = index(id);
    int32_t& count = directionCounts_[i][d];
    count = flags_[i][d] ? count + 1 : 0;
    return count;
}

int32_t TJoystickState::button(int64_t id, int64_t button) {
    size_t i = index(id);
    size_t b = size_t(((button % 32) + 32) % 32);
    int32_t& count = buttonCounts_[i][b];
    count = (raw_[i].buttons >> b) & 1 ? count + 1 : 0;
    return count;
}

} // namespace ravok
