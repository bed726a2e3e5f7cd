// Frame pacing: due frames from the clock, the clamp, the load ring and
// _n_setFrameRate's acceptance rules.
#include "base/frame_pacing.h"

#include <gtest/gtest.h>

namespace ravok {
namespace {

TEST(FramePacingTest, DueFramesKeepTheFractionInTheBaseTime) {
    TFramePacing p;
    p.BaseTime = 1000;
    EXPECT_EQ(p.dueFrames(1040), 2); // 40 ms: two frames of 17
    EXPECT_EQ(p.BaseTime, 1034);     // the 6 ms remainder stays
    EXPECT_EQ(p.dueFrames(1050), 0);
    EXPECT_EQ(p.dueFrames(1051), 1);
    EXPECT_EQ(p.LoadRing, "2010000000");
    EXPECT_EQ(p.LoadRingPos, 4);
}

TEST(FramePacingTest, ALateCallRunsAtMostTheMaximumAndDropsTheRest) {
    TFramePacing p;
    p.BaseTime = 0;
    EXPECT_EQ(p.dueFrames(500), 7); // 29 were due
    EXPECT_EQ(p.BaseTime, 29 * 17); // the 22 beyond the clamp are not caught up later
    EXPECT_EQ(p.dueFrames(500 + 17), 1);
    for (int i = 0; i < 9; ++i)
        p.dueFrames(p.BaseTime);
    EXPECT_EQ(p.LoadRingPos, 2); // wrapped after ten calls
}

TEST(FramePacingTest, SetFrameRateAcceptsOnlySensibleValues) {
    TFramePacing p;
    p.setFrameRate(5, false, 0);
    EXPECT_EQ(p.FrameInterval, 17);
    p.setFrameRate(33, true, 0);
    EXPECT_EQ(p.FrameInterval, 33);
    EXPECT_EQ(p.MaxFramesPerIdle, 7);
    p.setFrameRate(10, true, 3);
    EXPECT_EQ(p.FrameInterval, 10);
    EXPECT_EQ(p.MaxFramesPerIdle, 3);
    p.hold(12345);
    EXPECT_EQ(p.dueFrames(12345), 0); // a hold leaves nothing to catch up
}

} // namespace
} // namespace ravok
