// The drawing layer: the exact pixels of fills, lines, polygons and copies,
// images read back, and text that renders.
#include "base/surface.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace ravok {
namespace {

constexpr uint32_t kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000, kWhite = 0xFFFFFF;

// The picture as rows of characters: '.' for black and the letter of the
// first colour in `legend` that matches.
std::vector<std::string> picture(const TSurface& s, const std::string& legend = "RGBW") {
    const uint32_t colours[] = {kRed, kGreen, kBlue, kWhite};
    std::vector<std::string> rows;
    for (int y = 0; y < s.height(); ++y) {
        std::string r;
        for (int x = 0; x < s.width(); ++x) {
            char c = '.';
            for (size_t i = 0; i < legend.size(); ++i)
                if (s.pixel(x, y) == colours[i]) c = legend[i];
            r += c;
        }
        rows.push_back(r);
    }
    return rows;
}

using Rows = std::vector<std::string>;

TEST(SurfaceTest, FilledRectanglesLeaveOutTheirRightAndBottomEdges) {
    auto s = TSurface::create(5, 4);
    s->fillRect({1, 1, 4, 3}, kRed);
    s->fillRect({-3, -3, 1, 1}, kGreen); // clipped
    EXPECT_EQ(picture(*s), (Rows{"G....", ".RRR.", ".RRR.", "....."}));
    EXPECT_EQ(s->pixel(2, 1), kRed);
    EXPECT_EQ(s->pixel(9, 9), 0u);
}

TEST(SurfaceTest, LinesIncludeTheirStartAndNotTheirEndInEveryOctant) {
    auto s = TSurface::create(7, 7);
    s->line(3, 3, 6, 4, kRed);   // shallow, right and down
    s->line(3, 3, 0, 1, kGreen); // shallow, left and up
    s->line(3, 3, 3, 0, kBlue);  // straight up
    // The blue line stops short of (3, 0); its start overdraws the others'.
    EXPECT_EQ(picture(*s),
              (Rows{".......", "...B...", ".GGB...", "...BR..", ".....R.", ".......", "......."}));
    auto t = TSurface::create(4, 4);
    t->line(0, 0, 3, 3, kWhite);
    t->line(3, 0, 0, 3, kRed);
    EXPECT_EQ(picture(*t), (Rows{"W..R", ".WR.", ".RW.", "...."}));
}

TEST(SurfaceTest, ConcavePolygonsFillByTheEvenOddRuleWithTheirOutline) {
    auto s = TSurface::create(9, 7);
    // A "U": the notch at the top stays empty.
    s->polygon({{1, 1}, {3, 1}, {3, 4}, {5, 4}, {5, 1}, {7, 1}, {7, 6}, {1, 6}}, kRed);
    Rows rows = picture(*s);
    EXPECT_EQ(rows[2], ".RRR.RRR.");
    EXPECT_EQ(rows[5], ".RRRRRRR.");
    EXPECT_EQ(rows[0], ".........");
}

TEST(SurfaceTest, KeyedCopiesLeaveOutTheKeyAndMirrorWhenAsked) {
    auto image = TSurface::create(4, 1);
    image->fillRect({0, 0, 1, 1}, kRed);
    image->fillRect({1, 0, 2, 1}, kGreen);
    image->fillRect({2, 0, 3, 1}, kBlue); // the key
    image->fillRect({3, 0, 4, 1}, kWhite);
    image->setKey(image->rawPixel(2, 0));
    auto s = TSurface::create(6, 2);
    s->fillRect({0, 0, 6, 2}, kWhite);
    s->copyKeyed(*image, {0, 0, 3, 1}, 1, 0);
    // Mirrored: the cell (0..3) is given as (4 - 0, 0, 4 - 3, 1).
    s->copyKeyed(*image, {4, 0, 1, 1}, 1, 1);
    EXPECT_EQ(picture(*s), (Rows{"WRGWWW", "WWGRWW"}));
    s->copyPlain(*image, {0, 0, 4, 1}, 2, 0);
    EXPECT_EQ(picture(*s)[0], "WRRGBW");
}

// Every width from 1 to 40 (the wide steps and their last pixels), at every
// clipped position along both edges: the copy equals the pixel-by-pixel rule.
TEST(SurfaceTest, KeyedCopiesOfAnyWidthAndClipMatchThePixelRule) {
    auto cell = TSurface::create(40, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 40; ++x)
            cell->fillRect({x, y, x + 1, y + 1}, (x * 7 + y) % 5 == 0 ? 0x00FF00 : 0x102030 + x);
    cell->setKey(cell->rawPixel(0, 0)); // the green of x = 0
    uint32_t keyRgb = cell->rawPixel(0, 0) & 0xFFFFFF;
    for (int w = 1; w <= 40; ++w) {
        for (int x = -w; x <= 48; x += (x < 3 || x > 44 - w ? 1 : 9)) {
            auto s = TSurface::create(48, 4);
            s->fillRect({0, 0, 48, 4}, 0x404040);
            auto before = TSurface::create(48, 4);
            before->fillRect({0, 0, 48, 4}, 0x404040);
            s->copyKeyed(*cell, {0, 0, w, 3}, x, 1);
            for (int y = 0; y < 4; ++y)
                for (int i = 0; i < 48; ++i) {
                    uint32_t want = before->rawPixel(i, y);
                    int cx = i - x, cy = y - 1;
                    if (cx >= 0 && cx < w && cy >= 0 && cy < 3 &&
                        (cell->rawPixel(cx, cy) & 0xFFFFFF) != keyRgb)
                        want = cell->rawPixel(cx, cy);
                    ASSERT_EQ(s->rawPixel(i, y), want)
                        << "width " << w << " at " << x << ": pixel " << i << "," << y;
                }
        }
    }
}

TEST(SurfaceTest, RotatedCopiesTurnClockwiseAndScale) {
    auto image = TSurface::create(2, 1);
    image->fillRect({0, 0, 1, 1}, kRed);
    image->fillRect({1, 0, 2, 1}, kGreen);
    auto s = TSurface::create(4, 4);
    s->copyRotated(*image, {0, 0, 2, 1}, 2, 2, 2, 1, 64, 255); // a quarter turn
    Rows rows = picture(*s);
    // Red (the left half) ends up above green: clockwise on a y-down screen.
    EXPECT_EQ(rows[1].substr(1, 2) + rows[2].substr(1, 2), "R.G.");
    EXPECT_EQ(rows[0] + rows[3], "........");
    auto t = TSurface::create(4, 1);
    t->copyRotated(*image, {0, 0, 2, 1}, 2, 0, -4, 1, 0, 255); // mirrored, doubled
    EXPECT_EQ(picture(*t)[0], "GGRR");
}

TEST(SurfaceTest, ImagesRoundTripThroughPngFiles) {
    auto s = TSurface::create(3, 2);
    s->fillRect({1, 0, 2, 1}, kBlue);
    std::string path = testing::TempDir() + "surface_test.png";
    ASSERT_TRUE(s->savePng(path));
    std::string error;
    auto back = TSurface::load(path, &error);
    ASSERT_TRUE(back) << error;
    EXPECT_EQ(picture(*back), picture(*s));
    std::remove(path.c_str());
    EXPECT_FALSE(TSurface::load(path, &error));
    EXPECT_FALSE(error.empty());
}

TEST(SurfaceTest, APngWhoseChunkClaimsMoreThanTheFileHoldsIsRefused) {
    auto s = TSurface::create(3, 2);
    std::string path = testing::TempDir() + "surface_claims.png";
    ASSERT_TRUE(s->savePng(path));
    std::ifstream in(path, std::ios::binary);
    std::string png((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::remove(path.c_str());
    std::string error;
    ASSERT_TRUE(TSurface::decode(png, &error)) << error;
    // The chunk after IHDR (8 + 25 bytes in) claims two gigabytes; the
    // decoder would have grown its buffer to that before finding the end.
    std::string forged = png;
    forged[33] = '\x7F', forged[34] = forged[35] = forged[36] = '\xFF';
    EXPECT_FALSE(TSurface::decode(forged, &error));
    EXPECT_EQ(error, "a PNG file cut short: a chunk runs past its end");
    // Bytes after IEND are no chunk and are let be.
    EXPECT_TRUE(TSurface::decode(png + std::string("\x7F\xFF\xFF\xFFjunk", 8), &error)) << error;
}

TEST(SurfaceTest, TextDrawsInItsColourAndMeasures) {
    auto s = TSurface::create(80, 30);
    s->text(2, 2, "Ab", "MS Gothic", 12, 0, kWhite);
    int white = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 80; ++x)
            white += s->pixel(x, y) == kWhite;
    EXPECT_GT(white, 10);
    TPoint plain = s->textExtent("Ab", "", 12, 0);
    TPoint big = s->textExtent("Ab", "", 24, 0);
    EXPECT_GT(plain.x, 0);
    EXPECT_GT(big.x, plain.x);
    EXPECT_GT(big.y, plain.y);
    // Two double-byte characters (Shift-JIS) are wider than one.
    EXPECT_GT(s->textExtent("\x95\x5C\x8E\xA6", "", 12, 0).x,
              s->textExtent("\x95\x5C", "", 12, 0).x);
}

} // namespace
} // namespace ravok
