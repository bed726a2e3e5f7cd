#include "base/clock.h"

#include <time.h>

namespace ravok {

namespace {
class TMonotonicClock final : public TClock {
public:
    long double nowMs() override {
        timespec ts;
        clock_gettime(CLOCK_MONOTONIC, &ts);
        return static_cast<long double>(ts.tv_sec) * 1000.0L + ts.tv_nsec / 1.0e6L;
    }
};

TMonotonicClock gMonotonic;
TClock* gClock = &gMonotonic;
} // namespace

long double NowMs() { return gClock->nowMs(); }

uint32_t TickMs() { return uint32_t(uint64_t(NowMs())); }

void setClock(TClock* clock) { gClock = clock ? clock : &gMonotonic; }

} // namespace ravok
