#include "base/clock.h"

#include "base/seam.h"

#include <cerrno>
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
constinit TSeam<TClock> gClock(gMonotonic);
} // namespace

void TClock::sleepMs(int32_t ms) {
    if (ms <= 0) return;
    timespec ts{ms / 1000, long(ms % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) == -1 && errno == EINTR) {}
}

void SleepMs(int32_t ms) {
    if (ms > 0) gClock.get().sleepMs(ms);
}

long double NowMs() { return gClock.get().nowMs(); }

uint32_t TickMs() { return uint32_t(uint64_t(NowMs())); }

void setClock(TClock* clock) { gClock.install(clock); }

} // namespace ravok
