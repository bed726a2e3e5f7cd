// The palette a GIF frame gets: exact up to 256 colours, else the fixed
// levels; and the frame parsing of --gif.
#include "app/frame_shots.h"
#include "app/gif_writer.h"

#include <gtest/gtest.h>

namespace ravok {
namespace {

TEST(GifWriterTest, UpTo256ColoursArePaletteEntriesInOrderOfAppearance) {
    std::vector<uint32_t> pixels;
    for (uint32_t i = 0; i < 256; ++i)
        pixels.push_back(0xFF000000u | (i * 0x010101u)); // alpha is ignored
    pixels.push_back(0x00050505);                        // again, without alpha
    std::vector<uint8_t> indices;
    std::vector<uint32_t> palette = paletteFor(pixels, indices);
    ASSERT_EQ(palette.size(), 256u);
    EXPECT_EQ(palette[0], 0x000000u);
    EXPECT_EQ(palette[255], 0xFFFFFFu);
    EXPECT_EQ(indices[255], 255);
    EXPECT_EQ(indices.back(), 5);
}

TEST(GifWriterTest, MoreColoursTakeTheNearestOfTheFixedLevels) {
    std::vector<uint32_t> pixels;
    for (uint32_t i = 0; i < 300; ++i)
        pixels.push_back(i << 8); // 300 greens, some past 255 into red
    pixels.push_back(0xFFFFFF);
    pixels.push_back(0xFF0000);
    std::vector<uint8_t> indices;
    std::vector<uint32_t> palette = paletteFor(pixels, indices);
    ASSERT_EQ(palette.size(), 252u);
    EXPECT_EQ(palette[indices[0]], 0x000000u);
    EXPECT_EQ(palette[indices[255]], 0x00FF00u);
    EXPECT_EQ(palette[indices[300]], 0xFFFFFFu);
    EXPECT_EQ(palette[indices[301]], 0xFF0000u);
    // Every pixel maps to the level nearest each of its channels.
    uint32_t mid = palette[indices[128]] >> 8 & 0xFF; // green 128 of seven levels
    EXPECT_EQ(mid, 127u);
}

TEST(GifWriterTest, FrameRunsNeedAnOrderedRangeAndAFile) {
    TFrameRun run;
    ASSERT_TRUE(parseFrameRun("10:20:out.gif", run));
    EXPECT_EQ(run.first, 10);
    EXPECT_EQ(run.last, 20);
    EXPECT_EQ(run.file, "out.gif");
    ASSERT_TRUE(parseFrameRun("5:5:C:/x.gif", run)); // the rest is the file, colons and all
    EXPECT_EQ(run.file, "C:/x.gif");
    for (const char* bad : {"20:10:a.gif", "0:5:a.gif", "5:a.gif", "5:6:", "x:6:a.gif", ":6:a.gif"})
        EXPECT_FALSE(parseFrameRun(bad, run)) << bad;
}

TEST(GifWriterTest, AFileThatCannotBeMadeSaysWhy) {
    TGifWriter gif;
    EXPECT_FALSE(gif.open("/nonexistent-folder/x.gif", 4, 4));
    EXPECT_NE(gif.error().find("cannot be created"), std::string::npos) << gif.error();
    EXPECT_FALSE(gif.isOpen());
}

} // namespace
} // namespace ravok
