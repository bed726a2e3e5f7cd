// The headless wave-output device: its play position follows the virtual
// clock it is made with, so the engine renders the same
// samples in every run. It can record what it "plays", sample for sample:
// each stretch of the ring as the position passes over it, and silence for
// the time the device is closed.
#pragma once

#include "base/clock.h"
#include "base/wave_out.h"

#include <string>
#include <vector>

namespace ravok {

class TVirtualWaveOut : public TWaveOut {
public:
    explicit TVirtualWaveOut(TClock& clock);
    int open(const int16_t* ring, int32_t size) override;
    void close() override;
    int64_t playPosition() override;

    bool recording = false;
    // Brings the recording up to the clock's present.
    void catchUp();
    const std::vector<int16_t>& recorded() const { return recorded_; }
    // Writes the recording as a 16-bit mono 44100 Hz WAV file.
    bool writeWav(const std::string& hostPath);

private:
    int64_t clockSamples() const; // samples since this device was made
    const int16_t* ring_ = nullptr;
    int32_t size_ = 0;
    bool open_ = false;
    int64_t openedAt_ = 0; // clock samples at open
    int64_t played_ = 0;   // samples played since open
    TClock& clock_;
    long double madeMs_;
    std::vector<int16_t> recorded_;
};

} // namespace ravok
