// The desktop's wave-output device on SDL2 audio. SDL pulls samples from the
// engine's ring in its own thread; the play position is the count of samples
// handed over, interpolated from the time of the last pull. Without a sound
// card the default driver fails and the device plays silently through SDL's
// dummy driver, so the game runs just the same.
#pragma once

#include "base/wave_out.h"

#include <cstdint>
#include <mutex>

namespace ravok {

class TSdlWaveOut : public TWaveOut {
public:
    ~TSdlWaveOut() override;
    int open(const int16_t* ring, int32_t size) override;
    void close() override;
    int64_t playPosition() override;

private:
    static void pull(void* self, uint8_t* stream, int len);
    bool initialise();

    uint32_t device_ = 0;
    bool initialised_ = false;
    const int16_t* ring_ = nullptr;
    int32_t size_ = 0;
    std::mutex mutex_;
    int64_t pulled_ = 0;     // samples handed to SDL before the last pull
    int64_t lastLength_ = 0; // samples of the last pull
    int64_t lastPullNs_ = 0;
};

} // namespace ravok
