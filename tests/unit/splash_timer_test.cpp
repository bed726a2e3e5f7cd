// The splash's rule for switching the game on: the later of the end of
// start-up and two seconds after the splash appeared.
#include "player/splash_timer.h"

#include <gtest/gtest.h>

namespace ravok {
namespace {

TEST(SplashTimerTest, AQuickStartUpStillShowsTheSplashForTwoSeconds) {
    TSplashTimer splash;
    splash.show(1000);
    EXPECT_FALSE(splash.tick(1100, false, false));
    EXPECT_EQ(splash.barWidth, 9); // 100 * 193 / 2000
    EXPECT_FALSE(splash.tick(1500, true, false));
    EXPECT_EQ(splash.barWidth, 48);
    EXPECT_FALSE(splash.tick(2999, true, false));
    EXPECT_EQ(splash.barWidth, 192);
    EXPECT_TRUE(splash.visible);
    EXPECT_TRUE(splash.tick(3000, true, false));
    EXPECT_FALSE(splash.visible);
    EXPECT_FALSE(splash.tick(3100, true, false)); // the timer is off now
}

TEST(SplashTimerTest, ALongStartUpKeepsTheSplashUntilItEnds) {
    TSplashTimer splash;
    splash.show(0);
    for (uint32_t t = 100; t < 5000; t += 100)
        EXPECT_FALSE(splash.tick(t, false, false)) << t;
    EXPECT_TRUE(splash.visible);
    EXPECT_EQ(splash.barWidth, 183); // as drawn last, at 1900 ms: 1900 * 193 / 2000
    EXPECT_TRUE(splash.tick(5000, true, false));
}

TEST(SplashTimerTest, NothingHappensWhileTheWindowCloses) {
    TSplashTimer splash;
    splash.show(0);
    EXPECT_FALSE(splash.tick(3000, true, true));
    EXPECT_TRUE(splash.visible);
    TSplashTimer never;
    EXPECT_FALSE(never.tick(3000, true, false)); // never shown: not enabled
}

} // namespace
} // namespace ravok
