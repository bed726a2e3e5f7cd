// The wave-output device the sound engine plays through: a 16-bit mono
// 44100 Hz stream that plays one ring of samples in a loop, with a readable
// play position. The engine writes ahead of that position; the device only
// reads the ring.
#pragma once

#include <cstdint>

namespace ravok {

class TWaveOut {
public:
    virtual ~TWaveOut() = default;
    // Starts looping ring[0 .. size). Returns 0, or an error code of the
    // wave-output family (6: no driver, 4: allocated, ...).
    virtual int open(const int16_t* ring, int32_t size) = 0;
    virtual void close() = 0;
    // Samples played since open (not wrapped).
    virtual int64_t playPosition() = 0;
};

// No device at all, what the engine has until a player gives it one: every
// open fails with 6 ("no driver"), so the engine reports its device failed.
TWaveOut& noWaveOut();

// Ring samples are shared with a device thread: relaxed atomic reads and
// writes keep that defined without costing anything on the hosts we run on.
// The compiler's atomic built-ins do what std::atomic_ref does, and every
// toolchain we build with has them (not every C++ library has atomic_ref).
inline int16_t loadSample(const int16_t& s) { return __atomic_load_n(&s, __ATOMIC_RELAXED); }
inline void storeSample(int16_t& s, int16_t v) { __atomic_store_n(&s, v, __ATOMIC_RELAXED); }

} // namespace ravok
