// Key polling: one platform read per key per frame while a game runs, every
// read in design mode, code clamping and the inactive-application rule.
#include "base/key_source.h"
#include "screen/key_state.h"

#include <gtest/gtest.h>

#include <set>

namespace ravok {
namespace {

class TFakeKeys : public TKeySource {
public:
    TFakeKeys() { setKeySource(this); }
    ~TFakeKeys() override { setKeySource(nullptr); }
    std::set<int> down;
    bool active = true;
    int reads = 0;
    bool isDown(int code) override {
        ++reads;
        return down.count(code) > 0;
    }
    bool applicationActive() override { return active; }
};

TEST(KeyStateTest, ReadsAgreeWithinAFrameAndGrowByOnePerFrame) {
    TFakeKeys keys;
    TKeyState state;
    keys.down = {32};
    std::vector<int> seen;
    for (int frame = 0; frame < 3; ++frame) {
        state.newFrame();
        seen.push_back(state.holdCount(32));
        seen.push_back(state.holdCount(32));
    }
    EXPECT_EQ(seen, (std::vector<int>{1, 1, 2, 2, 3, 3}));
    EXPECT_EQ(keys.reads, 3);
    keys.down.clear();
    state.newFrame();
    EXPECT_EQ(state.holdCount(32), 0); // released: the count starts again
    keys.down = {32};
    state.newFrame();
    EXPECT_EQ(state.holdCount(32), 1);
}

TEST(KeyStateTest, CodesOutsideTheRangeReadKeyZero) {
    TFakeKeys keys;
    TKeyState state;
    keys.down = {0};
    state.newFrame();
    EXPECT_EQ(state.holdCount(300), 1);
    EXPECT_EQ(state.holdCount(-1), 1);
    EXPECT_EQ(state.holdCount(0), 1);
    EXPECT_EQ(state.holdCount(255), 0);
}

TEST(KeyStateTest, DesignModeReadsOnEveryCall) {
    TFakeKeys keys;
    TKeyState state;
    state.DesignMode = true;
    keys.down = {65};
    EXPECT_EQ(state.holdCount(65), 1);
    EXPECT_EQ(state.holdCount(65), 2);
}

TEST(KeyStateTest, AnInactiveApplicationReadsNoKeysUnlessAllowed) {
    TFakeKeys keys;
    TKeyState state;
    keys.down = {37};
    keys.active = false;
    state.newFrame();
    EXPECT_EQ(state.holdCount(37), 0);
    EXPECT_EQ(keys.reads, 0);
    state.DisableKeysWhenInactive = false;
    EXPECT_EQ(state.holdCount(37), 1);
}

} // namespace
} // namespace ravok
