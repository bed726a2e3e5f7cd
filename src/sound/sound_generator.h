// TSoundGenerator: the output device and its ring. The ring lives inside the
// object at its largest size, so a new size needs no allocation; only the
// first `size` samples loop while the device is open.
#pragma once

#include "base/wave_out.h"

#include <cstdint>
#include <string>

namespace ravok {

// The device error's name: known codes by name, others "MMSYSTEM" + code.
std::string waveOutErrorText(int code);

class TSoundGenerator {
public:
    static constexpr int32_t kRate = 44100;
    static constexpr int32_t kRingMax = 65536;

    TSoundGenerator();
    virtual ~TSoundGenerator();
    TSoundGenerator(const TSoundGenerator&) = delete;
    TSoundGenerator& operator=(const TSoundGenerator&) = delete;

    // The platform's device; nullptr gives back noWaveOut(), whose every open
    // fails ("no driver").
    void setDevice(TWaveOut* device) { device_ = device ? device : &noWaveOut(); }
    TWaveOut* device() const { return device_; }

    // BufferSize: accepted when 256 <= value < 60000; used at the next open.
    void setRequestedSize(int32_t value);
    int32_t requestedSize() const { return requestedSize_; }
    int32_t size() const { return size_; }

    bool isOpen() const { return open_; }
    bool deviceFailed() const { return deviceFailed_; }
    const std::string& errorText() const { return errorText_; }

    // Opens the device on the ring; false (and deviceFailed) when it fails.
    bool openDevice();
    void closeDevice();
    // Samples played since the device opened; 0 while closed.
    int64_t playPosition();

    int16_t sample(int32_t index) const { return loadSample(ring_[index]); }

protected:
    void fillRing(int16_t value);
    int16_t ring_[kRingMax];
    int32_t requestedSize_ = 22050;
    int32_t size_ = 22050;
    bool open_ = false;
    bool deviceFailed_ = false;
    std::string errorText_;

private:
    TWaveOut* device_ = &noWaveOut();
};

} // namespace ravok
