// The screen's settings that come from the environment store.
#include "screen/screen.h"

#include <gtest/gtest.h>

namespace ravok {
namespace {

TEST(ScreenSettingsTest, TheSoundDelayComesFromSvDelayOrTheSystemVersion) {
    EXPECT_EQ(soundDelayFor("250", 6, 1000), 250);
    EXPECT_EQ(soundDelayFor("0", 6, 1000), 9000);
    EXPECT_EQ(soundDelayFor("", 6, 1000), 9000);
    EXPECT_EQ(soundDelayFor("abc", 5, 1000), 1000);
    EXPECT_EQ(soundDelayFor("-3", 0, 1000), 1000);
    EXPECT_EQ(soundDelayFor("250", 0, 1000), 250);
}

} // namespace
} // namespace ravok
