// The clocks: a millisecond tick and a high-resolution millisecond reading.
// Headless runs install a virtual clock so that every run of a game is the same.
#pragma once

#include <cstdint>

namespace ravok {

class TClock {
public:
    virtual ~TClock() = default;
    virtual long double nowMs() = 0;
};

// Milliseconds with sub-millisecond resolution.
long double NowMs();
// The millisecond tick (wraps at 2^32).
uint32_t TickMs();

// Installs a clock; nullptr restores the monotonic system clock.
void setClock(TClock* clock);

} // namespace ravok
