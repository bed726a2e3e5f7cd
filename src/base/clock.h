// The clocks: a millisecond tick and a high-resolution millisecond reading.
// Headless runs install a virtual clock so that every run of a game is the same.
#pragma once

#include <cstdint>

namespace ravok {

class TClock {
public:
    virtual ~TClock() = default;
    virtual long double nowMs() = 0;
    // The main loop's sleeps (the project's sleep_time, the pause while the
    // window is inactive). The system clock really sleeps.
    virtual void sleepMs(int32_t ms);
};

// Milliseconds with sub-millisecond resolution.
long double NowMs();
// Sleeps on the installed clock; 0 or less returns at once.
void SleepMs(int32_t ms);
// The millisecond tick (wraps at 2^32).
uint32_t TickMs();

// Installs a clock; nullptr restores the monotonic system clock.
void setClock(TClock* clock);

} // namespace ravok
