// A wave-output device whose play position its owner moves by hand, and
// which can be told to fail: for driving the synthesizer in tests,
// benchmarks and fuzzing, where neither a clock nor a sound card should
// decide what is rendered.
#pragma once

#include "base/wave_out.h"

namespace ravok {

class TManualWaveOut : public TWaveOut {
public:
    int open(const int16_t*, int32_t) override {
        ++opens;
        return failCode;
    }
    void close() override { ++closes; }
    int64_t playPosition() override { return position; }

    int64_t position = 0;
    int failCode = 0; // what open answers
    int opens = 0, closes = 0;
};

} // namespace ravok
