// The player's own BMP reader against the image library it replaced, on
// every layout paint programs write: each picture is random, written in the
// layout, and read by both; pixels must agree wherever the library gives an
// opaque pixel (an RLE picture's skipped pixels are black in ours).
#include "base/surface.h"

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace ravok {
namespace {

void put16(std::string& s, uint32_t v) { s += char(v & 0xFF), s += char(v >> 8 & 0xFF); }
void put32(std::string& s, uint32_t v) { put16(s, v & 0xFFFF), put16(s, v >> 16); }

struct TLayout {
    const char* name;
    int bits;
    uint32_t compression;
    bool topDown = false, core = false;
    std::vector<uint32_t> masks = {};
};

// A random picture in the layout: headers, palette, masks, rows or runs.
std::string writeBmp(const TLayout& l, int w, int h, std::mt19937& random) {
    std::string info, body;
    int colours = l.bits <= 8 ? 1 << l.bits : 0;
    if (l.core) {
        put32(info, 12), put16(info, uint32_t(w)), put16(info, uint32_t(h)), put16(info, 1),
            put16(info, uint32_t(l.bits));
    } else {
        put32(info, 40), put32(info, uint32_t(w)), put32(info, uint32_t(l.topDown ? -h : h));
        put16(info, 1), put16(info, uint32_t(l.bits)), put32(info, l.compression);
        put32(info, 0), put32(info, 2835), put32(info, 2835), put32(info, uint32_t(colours)),
            put32(info, 0);
        for (uint32_t m : l.masks)
            put32(info, m);
    }
    for (int i = 0; i < colours; ++i) {
        uint32_t c = random();
        info += char(c & 0xFF), info += char(c >> 8 & 0xFF), info += char(c >> 16 & 0xFF);
        if (!l.core) info += '\0';
    }
    if (l.compression == 1 || l.compression == 2) {
        bool four = l.compression == 2;
        for (int y = 0; y < h; ++y) {
            int x = 0;
            while (x < w) {
                int left = w - x, kind = int(random() % 3);
                if (kind == 0) { // a run
                    int n = 1 + int(random() % std::min(left, 20));
                    body += char(n), body += char(random() & (four ? 0xFF : colours - 1));
                    x += n;
                } else if (kind == 1 && left >= 3) { // a literal stretch
                    int n = 3 + int(random() % std::min(left - 2, 20));
                    body += '\0', body += char(n);
                    int bytes = four ? (n + 1) / 2 : n;
                    for (int k = 0; k < bytes; ++k)
                        body += char(random());
                    if (bytes % 2) body += '\0';
                    x += n;
                } else if (kind == 2 && left > 4 && y + 1 < h && random() % 4 == 0) {
                    body += '\0', body += '\2', body += char(2), body += '\0'; // jump right
                    x += 2;
                } else {
                    body += char(1), body += char(random() & (four ? 0xFF : colours - 1));
                    x += 1;
                }
            }
            body += '\0', body += '\0'; // end of the row
        }
        body += '\0', body += '\1';
    } else {
        size_t rowBytes = ((size_t(w) * size_t(l.bits) + 31) / 32) * 4;
        for (int y = 0; y < h; ++y)
            for (size_t k = 0; k < rowBytes; ++k)
                body += char(random());
    }
    std::string file = "BM";
    put32(file, uint32_t(14 + info.size() + body.size())), put32(file, 0);
    put32(file, uint32_t(14 + info.size()));
    return file + info + body;
}

TEST(BmpReaderTest, ReadsEveryLayoutAsTheImageLibraryDid) {
    const TLayout layouts[] = {
        {"1-bit", 1, 0},
        {"4-bit", 4, 0},
        {"8-bit", 8, 0},
        {"8-bit top-down", 8, 0, true},
        {"16-bit 5-5-5", 16, 0},
        {"16-bit 5-6-5 fields", 16, 3, false, false, {0xF800, 0x07E0, 0x001F}},
        {"24-bit", 24, 0},
        {"24-bit top-down", 24, 0, true},
        {"32-bit", 32, 0},
        {"32-bit fields", 32, 3, false, false, {0xFF0000, 0x00FF00, 0x0000FF}},
        {"RLE8", 8, 1},
        {"RLE4", 4, 2},
        {"core 24-bit", 24, 0, false, true},
        {"core 8-bit", 8, 0, false, true},
    };
    std::mt19937 random(11);
    for (const TLayout& l : layouts) {
        for (int round = 0; round < 4; ++round) {
            int w = 1 + int(random() % 37), h = 1 + int(random() % 23);
            std::string bytes = writeBmp(l, w, h, random);
            std::string error;
            auto mine = TSurface::decode(bytes, &error);
            ASSERT_TRUE(mine) << l.name << ": " << error;
            GdkPixbufLoader* loader = gdk_pixbuf_loader_new_with_type("bmp", nullptr);
            ASSERT_TRUE(gdk_pixbuf_loader_write(
                loader, reinterpret_cast<const guchar*>(bytes.data()), bytes.size(), nullptr));
            ASSERT_TRUE(gdk_pixbuf_loader_close(loader, nullptr)) << l.name;
            GdkPixbuf* theirs = gdk_pixbuf_loader_get_pixbuf(loader);
            ASSERT_EQ(mine->width(), gdk_pixbuf_get_width(theirs)) << l.name;
            ASSERT_EQ(mine->height(), gdk_pixbuf_get_height(theirs)) << l.name;
            int channels = gdk_pixbuf_get_n_channels(theirs);
            int stride = gdk_pixbuf_get_rowstride(theirs);
            const guchar* pixels = gdk_pixbuf_get_pixels(theirs);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const guchar* p = pixels + y * stride + x * channels;
                    uint32_t raw = mine->rawPixel(x, y);
                    if (channels == 4 && p[3] == 0) {
                        EXPECT_EQ(raw, 0u) << l.name << " skipped pixel " << x << "," << y;
                        continue;
                    }
                    uint32_t expected = uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
                    ASSERT_EQ(raw, expected) << l.name << " at " << x << "," << y;
                }
            g_object_unref(loader);
        }
    }
}

TEST(BmpReaderTest, RefusesCutPictures) {
    std::mt19937 random(3);
    std::string whole = writeBmp({"24-bit", 24, 0}, 20, 10, random);
    std::string error;
    EXPECT_FALSE(TSurface::decode(whole.substr(0, whole.size() - 7), &error));
    EXPECT_EQ(error, "the file ends before its picture does");
    std::string runs = writeBmp({"RLE8", 8, 1}, 20, 10, random);
    EXPECT_FALSE(TSurface::decode(runs.substr(0, runs.size() - 30), &error));
    // A core header's depth is checked too: 0 bits made rows of no bytes,
    // read past the file's end.
    for (uint32_t bits : {0u, 2u, 7u, 33u, 0xFFFFu}) {
        std::string core = writeBmp({"core", 24, 0, false, true}, 20, 10, random);
        core[24] = char(bits & 0xFF), core[25] = char(bits >> 8);
        EXPECT_FALSE(TSurface::decode(core, &error)) << bits;
        EXPECT_EQ(error, "not a BMP file that can be read") << bits;
    }
}

} // namespace
} // namespace ravok
