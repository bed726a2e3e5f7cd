// The pattern cutter on generated sheets, the cache, the global numbering
// and pattern global names.
#include "screen/patterns.h"

#include "resources/host_files.h"

#include "base/reporter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <thread>

namespace ravok {
namespace {

constexpr uint32_t kWhite = 0xFFFFFF, kFrame = 0xFF00FF, kInk = 0x0000FF;

class TNotes : public TReporter {
public:
    void notice(const std::string& text, const TTrace&) override { notes.push_back(text); }
    void reportError(const std::string& text, const TTrace&) override { errors.push_back(text); }
    std::vector<std::string> notes, errors;
};

class PatternsTest : public ::testing::Test {
protected:
    void SetUp() override { previous = setReporter(&notes); }
    void TearDown() override {
        setReporter(previous);
        for (const std::string& f : files)
            std::remove(f.c_str());
    }

    // A white sheet with frames at the given rectangles (outer edges,
    // right and bottom excluded), each filled with the frame colour and one
    // ink pixel.
    std::unique_ptr<TSurface> sheet(int w, int h, const std::vector<TRect>& frames) {
        auto s = TSurface::create(w, h);
        s->fillRect({0, 0, w, h}, kWhite);
        for (const TRect& f : frames) {
            s->fillRect(f, kFrame);
            s->fillRect({f.left + 1, f.top + 1, f.left + 2, f.top + 2}, kInk);
        }
        return s;
    }
    std::string save(const TSurface& s, const std::string& name) {
        std::string host = testing::TempDir() + name;
        EXPECT_TRUE(s.savePng(host));
        files.push_back(host);
        return fromHostPath(host);
    }
    TPatRects cut(std::unique_ptr<TSurface> s) {
        TPatRects set;
        set.surface = std::move(s);
        cutIntoCells(set);
        return set;
    }

    TNotes notes;
    TReporter* previous = nullptr;
    std::vector<std::string> files;
};

TEST_F(PatternsTest, CellsAreNumberedInTheRasterOrderOfTheirCorners) {
    TPatRects set = cut(
        sheet(40, 24,
              {{20, 1, 26, 7}, {1, 2, 9, 9}, {11, 1, 17, 10}, {4, 13, 10, 20}, {15, 12, 30, 22}}));
    ASSERT_TRUE(set.cut);
    ASSERT_EQ(set.cells.size(), 5u);
    auto corner = [&](size_t i) {
        return std::to_string(set.cells[i].left) + "," + std::to_string(set.cells[i].top);
    };
    // Raster order of the corners: (11,1), (20,1), (1,2), (15,12), (4,13).
    EXPECT_EQ(corner(0), "12,2");
    EXPECT_EQ(corner(1), "21,2");
    EXPECT_EQ(corner(2), "2,3");
    EXPECT_EQ(corner(3), "16,13");
    EXPECT_EQ(corner(4), "5,14");
    EXPECT_EQ(set.cells[2].width(), 6);  // frame 1..9: interior 2..8
    EXPECT_EQ(set.cells[2].height(), 5); // frame 2..9: interior 3..8
    EXPECT_EQ(set.cells[0].key, rawFromColour(kFrame));
    EXPECT_TRUE(notes.notes.empty());
}

TEST_F(PatternsTest, AFrameAtTheRightBorderMakesTheImageOneCell) {
    TPatRects set = cut(sheet(20, 10, {{1, 1, 6, 6}, {12, 1, 20, 8}}));
    EXPECT_FALSE(set.cut);
    ASSERT_EQ(set.cells.size(), 1u);
    EXPECT_EQ(set.cells[0].left, 1);
    EXPECT_EQ(set.cells[0].top, 1);
    EXPECT_EQ(set.cells[0].right, 20);
    EXPECT_EQ(set.cells[0].bottom, 10);
    EXPECT_EQ(set.failure.x, 19);
    EXPECT_EQ(set.failure.y, 1);
    EXPECT_EQ(notes.notes, (std::vector<std::string>{"fail to q"}));
}

TEST_F(PatternsTest, ASmallestFrameHasAOnePixelCellAndAFrameWithoutInsideFails) {
    TPatRects small = cut(sheet(8, 8, {{2, 2, 5, 5}}));
    ASSERT_EQ(small.cells.size(), 1u);
    EXPECT_TRUE(small.cut);
    EXPECT_EQ(small.cells[0].width(), 1);
    EXPECT_EQ(small.cells[0].height(), 1);
    TPatRects thin = cut(sheet(8, 8, {{2, 1, 4, 6}}));
    EXPECT_FALSE(thin.cut);
    EXPECT_EQ(notes.notes, (std::vector<std::string>{"(2,1)-(0,3)", "fail to q"}));
}

TEST_F(PatternsTest, TheCacheCutsAgainOnlyWhenTheFileChanges) {
    std::string file = save(*sheet(20, 10, {{1, 1, 6, 6}}), "cache_sheet.png");
    TPatRects* first = patternCache().make(file);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->cells.size(), 1u);
    EXPECT_EQ(patternCache().make(file), first);
    bool upToDate = false;
    EXPECT_EQ(patternCache().getWithoutReload(file, upToDate), first);
    EXPECT_TRUE(upToDate);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    save(*sheet(20, 10, {{1, 1, 6, 6}, {8, 1, 13, 6}}), "cache_sheet.png");
    patternCache().getWithoutReload(file, upToDate);
    EXPECT_FALSE(upToDate);
    TPatRects* second = patternCache().make(file);
    ASSERT_TRUE(second);
    EXPECT_EQ(second->cells.size(), 2u);
    EXPECT_FALSE(patternCache().make(file + "-missing"));
}

TEST_F(PatternsTest, EarlierImagesKeepTheirNumbersAndLaterOnesFollow) {
    TPatternList list;
    std::string kernel =
        save(*sheet(30, 10, {{1, 1, 6, 6}, {8, 1, 13, 6}, {15, 1, 20, 6}}), "k.png");
    std::string user = save(*sheet(20, 10, {{1, 1, 8, 9}, {10, 1, 15, 6}}), "u.png");
    ASSERT_TRUE(list.add(kernel));
    ASSERT_TRUE(list.add(user));
    EXPECT_EQ(list.total(), 5);
    int set, cell;
    list.lookup(3, set, cell);
    EXPECT_EQ(set, 1);
    EXPECT_EQ(cell, 0);               // the first user cell follows the three kernel cells
    EXPECT_EQ(list.cellSize(3).x, 5); // the frame's columns 1..7 around the inside 2..6
    EXPECT_EQ(list.cellSize(3).y, 6);
    list.lookup(5, set, cell);
    EXPECT_EQ(set, -1);
    list.lookup(-1, set, cell);
    EXPECT_EQ(cell, -1);
    EXPECT_EQ(list.cellSize(99).x, 0);
    list.truncate(4);
    EXPECT_EQ(list.total(), 3);
    list.truncate(99); // unknown: nothing
    EXPECT_EQ(list.total(), 3);
}

TEST_F(PatternsTest, GlobalNamesKeepLettersDigitsAndUnderscores) {
    EXPECT_EQ(patternGlobalName("Hero-Sprite 1.png"), "$pat_HeroSprite1");
    EXPECT_EQ(patternGlobalName("map_chips.v2.bmp"), "$pat_map_chipsv2");
}

} // namespace
} // namespace ravok
