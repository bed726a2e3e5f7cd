// The sound engine's own timer for players whose loop turns on its own
// (headless, a browser page): a tick every Interval ms of the installed
// clock, between loop turns.
#pragma once

#include "base/clock.h"
#include "sound/sorvald.h"

namespace ravok {

struct TSoundTimer {
    long double due = 0;
    void turn() {
        TSorvald& sv = soundEngine();
        long double now = NowMs();
        if (sv.Interval <= 0 || now < due) return;
        due = now + sv.Interval;
        sv.timerTick();
    }
};

} // namespace ravok
