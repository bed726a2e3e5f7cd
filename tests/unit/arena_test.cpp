// The VM arena: zero-filled blocks, 32-bit offsets, reuse by size class.
#include "runtime/arena.h"
#include "runtime/errors.h"

#include <gtest/gtest.h>

#include <cstring>

namespace ravok {
namespace {

TEST(ArenaTest, BlocksAreZeroFilledAlignedAndNeverAtOffsetZero) {
    TArena& arena = TArena::instance();
    TArenaOffset a = arena.allocate(20);
    EXPECT_NE(a, 0u);
    EXPECT_EQ(a % 8, 0u);
    EXPECT_TRUE(arena.contains(a, 24));
    std::memset(arenaPtr<uint8_t>(a), 0xAB, 24);
    arena.release(a, 20);
    // The same size class hands the block back, cleared again.
    TArenaOffset b = arena.allocate(24);
    EXPECT_EQ(b, a);
    for (int i = 0; i < 24; ++i)
        EXPECT_EQ(arenaPtr<uint8_t>(b)[i], 0) << i;
    arena.release(b, 24);
}

TEST(ArenaTest, LargeBlocksAreReusedByExactSize) {
    TArena& arena = TArena::instance();
    TArenaOffset big = arena.allocate(10000);
    arena.release(big, 10000);
    TArenaOffset other = arena.allocate(20000);
    EXPECT_NE(other, big);
    EXPECT_EQ(arena.allocate(10000), big);
    arena.release(big, 10000);
    arena.release(other, 20000);
}

TEST(ArenaTest, OffsetsConvertToPointersAndBack) {
    TArenaOffset a = TArena::instance().allocate(8);
    uint8_t* p = arenaPtr<uint8_t>(a);
    EXPECT_EQ(arenaOffset(p), a);
    EXPECT_FALSE(TArena::instance().contains(0));
    EXPECT_FALSE(TArena::instance().contains(uint32_t(TArena::instance().bytesInUse()), 8));
    TArena::instance().release(a, 8);
}

} // namespace
} // namespace ravok
