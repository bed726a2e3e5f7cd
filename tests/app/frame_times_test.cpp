// Frame times for benchmarks: the warm-up is left out, percentiles go by
// nearest rank, and the drawing is told apart from the rest of the frame.
#include "app/frame_times.h"

#include <gtest/gtest.h>

namespace ravok {
namespace {

TEST(FrameTimesTest, PercentilesByNearestRankAfterTheWarmUp) {
    TFrameTimes times(10);
    // Ten slow warm-up frames, then 1..100 ms with a tenth of each drawing.
    for (long f = 1; f <= 10; ++f)
        times.add(f, 1000, 0);
    for (long f = 11; f <= 110; ++f)
        times.add(f, double(f - 10), double(f - 10) / 10);
    EXPECT_EQ(times.count(), 100u);
    EXPECT_EQ(times.report(), "frame times over 100 frames after 10 of warm-up: median 50.00 ms, "
                              "95th percentile 95.00 ms (scripts and sound 45.00 / 85.50 ms, "
                              "drawing 5.00 / 9.50 ms)");
    EXPECT_DOUBLE_EQ(percentile({3, 1, 2}, 50), 2);
    EXPECT_DOUBLE_EQ(percentile({3, 1, 2}, 100), 3);
    EXPECT_DOUBLE_EQ(percentile({7}, 95), 7);
    EXPECT_DOUBLE_EQ(percentile({}, 50), 0);
}

TEST(FrameTimesTest, ARunShorterThanItsWarmUpSaysSo) {
    TFrameTimes times(60);
    times.add(1, 5, 1);
    EXPECT_EQ(times.report(), "frame times: no frame after the 60 of warm-up was measured");
}

} // namespace
} // namespace ravok
