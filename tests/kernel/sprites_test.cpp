// The sprite natives as scripts call them, the order sprites are drawn in and
// the owners HitTest reports, with the real kernel classes.
#include "compiler/evaluator.h"
#include "kernel/boot.h"
#include "kernel_fixture.h"
#include "resources/host_files.h"
#include "resources/program_paths.h"
#include "runtime/native_api.h"
#include "screen/patterns.h"
#include "screen/screen.h"
#include "screen/sprites.h"

#include "base/encoding.h"

#include <gtest/gtest.h>

namespace ravok {
namespace {

class SpritesTest : public DrawingFrameTest {
protected:
    void SetUp() override {
        DrawingFrameTest::SetUp();
        // A sheet with a 32 x 8 cell (number 0) and a 4 x 4 cell (number 1):
        // the left half of the wide cell red, the right half green.
        auto sheet = TSurface::create(48, 12);
        sheet->fillRect({0, 0, 48, 12}, 0xFFFFFF);
        sheet->fillRect({1, 1, 35, 11}, 0xFF00FF);
        sheet->fillRect({2, 2, 18, 10}, 0x0000FF);
        sheet->fillRect({18, 2, 34, 10}, 0x00FF00);
        sheet->fillRect({37, 1, 43, 7}, 0xFF00FF);
        sheet->fillRect({38, 2, 42, 6}, 0xFF0000);
        // One file per test: CTest runs the tests of this program side by side.
        sheetFile = testing::TempDir() + "sprites_sheet_" +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".png";
        ASSERT_TRUE(sheet->savePng(sheetFile));
        patternList().clear();
        ASSERT_TRUE(patternList().add(fromHostPath(sheetFile)));
        ASSERT_EQ(patternList().total(), 2);
    }
    void TearDown() override {
        patternList().clear();
        std::remove(sheetFile.c_str());
        DrawingFrameTest::TearDown();
    }
    void run(const std::string& body) { ASSERT_EQ(evaluate("extends Sprite; " + body), 0) << body; }
    std::string sheetFile;
};

TEST_F(SpritesTest, NativeSetNeedsFourArgumentsAndRecordsTheAdjustedPosition) {
    run("native_set(0, 10, 20);");
    EXPECT_EQ(screen().Sprites.size(), 0u);
    run("native_set(0, 10, 20, 1);");
    ASSERT_EQ(screen().Sprites.size(), 1u);
    auto* s = dynamic_cast<TGrpSprite*>(screen().Sprites.at(0));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->zOrder, 0);
    EXPECT_FALSE(s->flipped);
    EXPECT_NE(s->owner, 0u);
    run("setAdjust(100, 0); native_set(0, 150, 40, 1, 1, 3);");
    auto* t = dynamic_cast<TGrpSprite*>(screen().Sprites.at(1));
    ASSERT_TRUE(t);
    EXPECT_EQ(t->x, 50);
    EXPECT_EQ(t->y, 40);
    EXPECT_TRUE(t->flipped);
    EXPECT_EQ(t->zOrder, 3);
    screen().DrawingFrame = false;
    run("native_set(0, 1, 2, 1);"); // not the drawing frame: nothing
    EXPECT_EQ(screen().Sprites.size(), 2u);
}

TEST_F(SpritesTest, TheDeepestSpriteIsDrawnFirstAndTheShallowestCoversIt) {
    run("fillRect(0, 0, 10, 10, 255, 0); fillRect(0, 0, 10, 10, 65280, 5);");
    auto back = TSurface::create(20, 20);
    screen().Sprites.drawAll(*back);
    EXPECT_EQ(back->pixel(5, 5), 0x0000FFu); // depth 0 (red) on top of depth 5 (green)
    EXPECT_EQ(screen().Sprites.at(0)->zOrder, 5);
}

// The window draws a frame again (its redraw timer): the sprites of equal
// depth, which the sort leaves in no kept order, must not change places.
TEST_F(SpritesTest, AFrameDrawnAgainIsTheSamePicture) {
    std::string body;
    for (int i = 0; i < 40; ++i) // more than a sort does by insertion
        body += "fillRect(0, 0, 10, 10, " + std::to_string(i * 5000) + ", " +
                std::to_string(i % 3) + ");";
    run(body);
    auto back = TSurface::create(20, 20);
    screen().Sprites.drawAll(*back);
    std::vector<TfSprite*> first;
    for (size_t i = 0; i < screen().Sprites.size(); ++i)
        first.push_back(screen().Sprites.at(i));
    uint32_t top = back->pixel(5, 5);
    for (int again = 0; again < 3; ++again) {
        screen().Sprites.drawAll(*back);
        for (size_t i = 0; i < first.size(); ++i)
            ASSERT_EQ(screen().Sprites.at(i), first[i]) << "redraw " << again << ", entry " << i;
        EXPECT_EQ(back->pixel(5, 5), top);
    }
}

TEST_F(SpritesTest, APolygonOfMoreThan99PointsUsesTheFirst99) {
    run("for (i = 0; i < 100; i++) setPolygonPoint(i, i, i * 2); setPolygonPoint(100, 7, 7);");
    run("_n_fillPolygon(10, 5, 150, 255, 0);");
    auto* p = dynamic_cast<TPolygonSprite*>(screen().Sprites.at(0));
    ASSERT_TRUE(p);
    ASSERT_EQ(p->points.size(), 99u);
    EXPECT_EQ(p->points[98].x, 10 + 98);
    EXPECT_EQ(p->points[98].y, 5 + 196);
}

TEST_F(SpritesTest, AFlippedCellAtScaleOneIsDrawnOnePixelNarrowerAndMirrored) {
    run("drawPatternEx(20, 10, 0, 1, 0, 0, 255, 1);");
    auto* s = dynamic_cast<TDxGrpSprite*>(screen().Sprites.at(0));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->scaleY, 1.0L); // the fifth argument left out: the same as x
    auto back = TSurface::create(40, 20);
    screen().Sprites.drawAll(*back);
    int lit = 0;
    for (int x = 0; x < 40; ++x)
        lit += back->pixel(x, 10) != 0;
    EXPECT_EQ(lit, 31);                       // trunc(-32 + 0.5) = -31 wide
    EXPECT_EQ(back->pixel(8, 10), 0x00FF00u); // mirrored: green on the left
    EXPECT_EQ(back->pixel(32, 10), 0x0000FFu);
}

TEST_F(SpritesTest, AClickOnTwoSpritesOfOneOwnerReportsItOnce) {
    run("$_tmp_a = this; drawPattern(10, 10, 1); drawPattern(11, 11, 1);");
    run("$_tmp_b = this; drawPattern(30, 30, 1);");
    auto back = TSurface::create(40, 40);
    std::vector<uint32_t> owners = screen().Sprites.HitTest(*back, {10, 10, 11, 11});
    ASSERT_EQ(owners.size(), 1u);
    EXPECT_EQ(owners[0], native::globalCell("$_tmp_a")->u);
    EXPECT_TRUE(screen().Sprites.HitTest(*back, {20, 20, 21, 21}).empty());
    EXPECT_EQ(screen().Sprites.HitTest(*back, {30, 30, 31, 31}).size(), 1u);
}

TEST_F(SpritesTest, ACrowdDrawnByTwoThreadsLooksAsIfDrawnByOne) {
    TSpriteList list;
    uint32_t state = 99;
    auto next = [&](uint32_t n) {
        return ((state = state * 1103515245u + 12345u) >> 8 & 0xFFFF) % n;
    };
    for (int i = 0; i < 3000; ++i) {
        int kind = int(next(4));
        std::unique_ptr<TfSprite> s;
        if (kind == 0) {
            auto g = std::make_unique<TGrpSprite>();
            g->pattern = int32_t(next(2));
            g->flipped = next(2) == 1;
            s = std::move(g);
        } else if (kind == 1) {
            auto r = std::make_unique<TRectSprite>();
            r->x2 = int32_t(next(200));
            r->y2 = int32_t(next(160));
            r->colour = next(0xFFFFFF);
            s = std::move(r);
        } else if (kind == 2) {
            auto l = std::make_unique<TLineSprite>();
            l->x2 = int32_t(next(200));
            l->y2 = int32_t(next(160));
            l->colour = next(0xFFFFFF);
            s = std::move(l);
        } else {
            auto p = std::make_unique<TPolygonSprite>();
            for (int k = 0; k < 5; ++k)
                p->points.push_back({int(next(200)), int(next(160))});
            p->colour = next(0xFFFFFF);
            s = std::move(p);
        }
        s->x = int32_t(next(200));
        s->y = int32_t(next(160));
        s->zOrder = int32_t(next(8));
        list.add(std::move(s));
    }
    auto together = TSurface::create(200, 160);
    list.drawAll(*together); // 3000 direct sprites: two threads
    auto alone = TSurface::create(200, 160);
    for (size_t i = 0; i < list.size(); ++i) // the sorted order, one thread
        list.at(i)->Draw(*alone);
    int differing = 0;
    for (int y = 0; y < 160; ++y)
        for (int x = 0; x < 200; ++x)
            differing += together->pixel(x, y) != alone->pixel(x, y);
    EXPECT_EQ(differing, 0);
}

TEST_F(SpritesTest, MeasuresAndTheTextMessage) {
    run("$_tmp_w = patternWidth(0) + \",\" + patternHeight(0) + \",\" + patternWidth(9);");
    EXPECT_EQ(valueToText(*native::globalCell("$_tmp_w")), "32,8,0");
    run("$_tmp_t = textWidth(\"abc\", 12) > 0;");
    EXPECT_EQ(valueToText(*native::globalCell("$_tmp_t")), "1");
    run("native_setText(1, 2, \"hi\");");
    ASSERT_EQ(recording().errors.size(), 1u);
    EXPECT_EQ(recording().errors[0], "SetText...3");
    recording().errors.clear();
    EXPECT_EQ(screen().Sprites.size(), 1u);
}

} // namespace
} // namespace ravok
