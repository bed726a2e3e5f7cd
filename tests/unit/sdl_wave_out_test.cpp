// The desktop's sound device on SDL's dummy driver (what every machine
// without a sound card gets): it opens, its play position moves on with the
// clock while it pulls samples from the ring, and it closes and reopens.
#include "platform/sdl/sdl_wave_out.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

namespace ravok {
namespace {

int64_t waitForPosition(TSdlWaveOut& out, int64_t atLeast) {
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    int64_t p = out.playPosition();
    while (p < atLeast && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        p = out.playPosition();
    }
    return p;
}

TEST(SdlWaveOutTest, ThePlayPositionAdvancesAndRestartsOnReopen) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    std::vector<int16_t> ring(4410, 0);
    TSdlWaveOut out;
    ASSERT_EQ(out.open(ring.data(), int32_t(ring.size())), 0);
    auto began = std::chrono::steady_clock::now();
    int64_t p = waitForPosition(out, 8820); // past the ring's end: it loops
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    EXPECT_GE(p, 8820);
    EXPECT_LE(p, int64_t(seconds * 44100) + 4096); // never ahead of the clock by more than a pull
    int64_t later = waitForPosition(out, p + 1);
    EXPECT_GT(later, p);
    out.close();
    ASSERT_EQ(out.open(ring.data(), int32_t(ring.size())), 0);
    EXPECT_LT(out.playPosition(), p);
    out.close();
}

// A device that stops (unplugged) is opened again, and the play position
// goes on from where it was: the engine's song does not start over.
TEST(SdlWaveOutTest, AStoppedDeviceIsReopenedAndThePositionGoesOn) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    std::vector<int16_t> ring(4410, 0);
    TSdlWaveOut out;
    bool unplug = false;
    out.deviceStopped = [&](uint32_t) { return unplug; };
    ASSERT_EQ(out.open(ring.data(), int32_t(ring.size())), 0);
    int64_t before = waitForPosition(out, 4410);
    ASSERT_GE(before, 4410);
    unplug = true;
    // The next question about the position (a quarter second on) finds it.
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (out.reopenings == 0 && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        out.playPosition();
    }
    unplug = false;
    EXPECT_EQ(out.reopenings, 1);
    int64_t after = out.playPosition();
    EXPECT_GE(after, before);
    // And the new device plays on.
    EXPECT_GT(waitForPosition(out, after + 4410), after);
    EXPECT_EQ(out.reopenings, 1);
    out.close();
}

} // namespace
} // namespace ravok
