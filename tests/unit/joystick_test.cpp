// Joystick polling: the self-calibrating range, the dead zone and the hold
// counts that advance with every call.
#include "screen/joystick.h"

#include <gtest/gtest.h>

namespace ravok {
namespace {

class TFakeJoysticks : public TJoySource {
public:
    bool read(int id, TJoyReading& r) override {
        if (id != 0 || !present) return false;
        r = reading;
        return true;
    }
    bool present = true;
    TJoyReading reading;
};

class JoystickTest : public ::testing::Test {
protected:
    void SetUp() override { setJoySource(&fake); }
    void TearDown() override { setJoySource(nullptr); }
    void at(uint32_t x, uint32_t y, uint32_t buttons = 0) {
        fake.reading = {x, y, 32768, buttons};
        joy.poll(0);
    }
    TFakeJoysticks fake;
    TJoystickState joy;
};

TEST_F(JoystickTest, TheFirstRangeLeavesTheMiddleHalfDead) {
    // Range 20000..45000: centre 32500, thresholds 26250 and 38750.
    at(32000, 32000);
    EXPECT_EQ(joy.direction(0, TJoystickState::Left), 0);
    EXPECT_EQ(joy.direction(0, TJoystickState::Right), 0);
    at(26249, 32000);
    EXPECT_EQ(joy.direction(0, TJoystickState::Left), 1);
    at(26250, 32000);
    EXPECT_EQ(joy.direction(0, TJoystickState::Left), 0);
    at(38751, 38751);
    EXPECT_EQ(joy.direction(0, TJoystickState::Right), 1);
    EXPECT_EQ(joy.direction(0, TJoystickState::Down), 1);
    at(38750, 32000);
    EXPECT_EQ(joy.direction(0, TJoystickState::Right), 0);
}

TEST_F(JoystickTest, ReadingsWidenTheRangeAndCountsAdvancePerCall) {
    at(0, 65535);
    EXPECT_EQ(joy.minX, 0u);
    EXPECT_EQ(joy.maxY, 65535u);
    // Range 0..45000 now: centre 22500, left below 11250.
    at(11000, 32768);
    EXPECT_EQ(joy.direction(0, TJoystickState::Left), 1);
    EXPECT_EQ(joy.direction(0, TJoystickState::Left), 2); // every call counts
    at(20000, 32768);
    EXPECT_EQ(joy.direction(0, TJoystickState::Left), 0);
    at(32768, 32768, 0b101);
    EXPECT_EQ(joy.button(0, 0), 1);
    EXPECT_EQ(joy.button(0, 2), 1);
    EXPECT_EQ(joy.button(0, 1), 0);
    EXPECT_EQ(joy.button(0, 32), 2); // 32 is button 0
}

TEST_F(JoystickTest, AFailedReadKeepsTheLastReadingAndFlags) {
    at(10000, 32000);
    EXPECT_EQ(joy.direction(0, TJoystickState::Left), 1);
    fake.present = false;
    joy.poll(0);
    EXPECT_EQ(joy.reading(0).x, 10000u);
    EXPECT_EQ(joy.direction(0, TJoystickState::Left), 2); // stale flags keep counting
    joy.poll(1);                                          // no joystick 1
    EXPECT_EQ(joy.reading(1).x, 32768u);
    EXPECT_EQ(joy.reading(3).x, 32768u); // ids are taken modulo 2: 3 is joystick 1
}

} // namespace
} // namespace ravok
