// Joystick polling for scripts: the readings widen a range shared by both
// joysticks, the middle half of the range seen so far is the dead zone, and
// directions and buttons count the calls in a row they were active.
#pragma once

#include "base/joy_source.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace ravok {

class TJoystickState {
public:
    enum TDirection { Left = 0, Right = 1, Up = 2, Down = 3 };

    // Reads joystick id (taken modulo 2); a failed read keeps everything.
    void poll(int64_t id);
    const TJoyReading& reading(int64_t id) const { return raw_[index(id)]; }
    // After poll: the direction's hold count, advanced by this call.
    int32_t direction(int64_t id, TDirection d);
    int32_t button(int64_t id, int64_t button);

    uint32_t maxX = 45000, minX = 20000, maxY = 45000, minY = 20000;

private:
    static size_t index(int64_t id) { return size_t(((id % 2) + 2) % 2); }
    std::array<TJoyReading, 2> raw_{};
    std::array<std::array<bool, 4>, 2> flags_{};
    std::array<std::array<int32_t, 4>, 2> directionCounts_{};
    std::array<std::array<int32_t, 32>, 2> buttonCounts_{};
};

TJoystickState& joystickState();

} // namespace ravok
