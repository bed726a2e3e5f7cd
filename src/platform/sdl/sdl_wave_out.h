// The desktop's wave-output device on SDL2 audio. SDL pulls samples from the
// engine's ring in its own thread; the play position is the count of samples
// handed over, interpolated from the time of the last pull. Without a sound
// card the default driver fails and the device plays silently through SDL's
// dummy driver, so the game runs just the same. The device is the system's
// default: a sound server that changes its default moves the stream itself,
// and a device that goes away (headphones unplugged) is replaced by the new
// default without the music stopping.
#pragma once

#include "base/wave_out.h"

#include <cstdint>
#include <functional>
#include <mutex>

namespace ravok {

class TSdlWaveOut : public TWaveOut {
public:
    ~TSdlWaveOut() override;
    int open(const int16_t* ring, int32_t size) override;
    void close() override;
    int64_t playPosition() override;

    // Whether the open device has stopped for good (unplugged, or its server
    // gone); SDL's own status unless a test says otherwise.
    std::function<bool(uint32_t device)> deviceStopped;
    // Times the device was opened again after it stopped.
    int reopenings = 0;

private:
    // A device that stopped is opened again on the default device, the play
    // position going on from where it was, so the music plays on.
    void followDevice();
    bool openDevice();
    int64_t lastCheckNs_ = 0;
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
