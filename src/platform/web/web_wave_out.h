// The browser's wave-output device on Web Audio: an AudioContext at 44100 Hz
// whose script processor pulls samples from the engine's ring, as the
// desktop's audio thread does. The play position is the count of samples
// handed over, moved on by the time since the last pull. Browsers start an
// AudioContext only after the first key or click on the page: until then it
// stands suspended, the position does not move and the engine waits.
#pragma once

#include "base/wave_out.h"

#include <cstdint>

namespace ravok {

class TWebWaveOut : public TWaveOut {
public:
    ~TWebWaveOut() override;
    int open(const int16_t* ring, int32_t size) override;
    void close() override;
    int64_t playPosition() override;

private:
    bool open_ = false;
    // Written by the page's audio callback: samples pulled before the last
    // pull, the length of that pull, and its time on performance.now().
    double counters_[3] = {0, 0, 0};
};

} // namespace ravok
