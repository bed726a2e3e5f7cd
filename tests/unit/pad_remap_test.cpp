// The player's gamepad remapping: buttons moved, sticks swapped and turned
// round, the text it is kept as, and the joystick source that applies it.
#include "base/pad_remap.h"

#include <gtest/gtest.h>

namespace ravok {
namespace {

class TOnePad : public TJoySource {
public:
    bool read(int id, TJoyReading& reading) override {
        if (id != 0) return false;
        reading = pad;
        return true;
    }
    TJoyReading pad;
};

TEST(PadRemapTest, ButtonsMoveAndTheRestStay) {
    TPadMap map;
    map.buttons[0] = 2; // the pad's first button is the game's third
    map.buttons[2] = 0;
    TJoyReading pad;
    pad.buttons = 0b1011; // buttons 0, 1 and 3
    TJoyReading game = map.apply(pad);
    EXPECT_EQ(game.buttons, 0b1110u); // 2, 1 and 3
    EXPECT_EQ(game.x, pad.x);
}

TEST(PadRemapTest, SticksSwapAndTurnRound) {
    TPadMap map;
    map.swapXY = true;
    map.invertY = true;
    TJoyReading pad;
    pad.x = 65535; // full right
    pad.y = 32768;
    TJoyReading game = map.apply(pad);
    EXPECT_EQ(game.x, 32768u);
    EXPECT_EQ(game.y, 0u); // right on the pad is up in the game
}

TEST(PadRemapTest, TheTextGoesBothWaysAndBadPartsAreLeftOut) {
    TPadMap map = TPadMap::parse("0>2,2>0,swap,-y,40>1,x>y,,3>-1");
    EXPECT_EQ(map.buttons.size(), 2u);
    EXPECT_TRUE(map.swapXY);
    EXPECT_FALSE(map.invertX);
    EXPECT_TRUE(map.invertY);
    EXPECT_EQ(map.text(), "0>2,2>0,swap,-y");
    EXPECT_EQ(TPadMap::parse(map.text()).text(), map.text());
    EXPECT_TRUE(TPadMap::parse("").empty());
}

TEST(PadRemapTest, TheSourceHandsTheGameTheRemappedReading) {
    TOnePad pad;
    TRemappedJoySource source(pad);
    source.map.buttons[1] = 0;
    pad.pad.buttons = 0b10;
    TJoyReading reading;
    ASSERT_TRUE(source.read(0, reading));
    EXPECT_EQ(reading.buttons, 0b01u);
    // A pad that is not there leaves the reading as it was.
    reading.buttons = 7;
    EXPECT_FALSE(source.read(1, reading));
    EXPECT_EQ(reading.buttons, 7u);
}

} // namespace
} // namespace ravok
