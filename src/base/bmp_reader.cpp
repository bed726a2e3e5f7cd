#include "base/bmp_reader.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace ravok {

namespace {

enum : uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6 };

struct TBmpHeader {
    int64_t width = 0, height = 0;
    bool topDown = false;
    unsigned bits = 0;
    uint32_t compression = kRgb;
    uint32_t masks[3] = {0, 0, 0};
    std::vector<uint32_t> palette; // raw words 0xFFRRGGBB
    size_t pixelsAt = 0;
};

class TBytes {
public:
    explicit TBytes(std::string_view b) : b_(b) {}
    bool has(size_t at, size_t n) const { return at <= b_.size() && n <= b_.size() - at; }
    uint8_t u8(size_t at) const { return uint8_t(b_[at]); }
    uint32_t u16(size_t at) const { return u8(at) | uint32_t(u8(at + 1)) << 8; }
    uint32_t u32(size_t at) const { return u16(at) | u16(at + 2) << 16; }
    size_t size() const { return b_.size(); }

private:
    std::string_view b_;
};

// A channel of a bit-field pixel scaled to 8 bits, the field's top bits
// repeated into the bits it lacks (a 5-bit 31 becomes 255).
struct TField {
    uint32_t mask = 0;
    int shift = 0, width = 0;
    explicit TField(uint32_t m) : mask(m) {
        if (!m) return;
        while (!((m >> shift) & 1))
            ++shift;
        while (shift + width < 32 && ((m >> (shift + width)) & 1))
            ++width;
    }
    uint32_t of(uint32_t pixel) const {
        if (width == 0) return 0;
        uint32_t v = (pixel & mask) >> shift;
        if (width >= 8) return v >> (width - 8);
        uint32_t out = 0;
        for (int filled = 0; filled < 8; filled += width)
            out |= filled + width <= 8 ? v << (8 - filled - width) : v >> (filled + width - 8);
        return out & 0xFF;
    }
};

bool readHeader(const TBytes& b, TBmpHeader& h, std::string* error) {
    auto fail = [&](const char* why) {
        if (error) *error = why;
        return false;
    };
    if (!b.has(0, 26)) return fail("not a BMP file that can be read");
    h.pixelsAt = b.u32(10);
    uint32_t infoSize = b.u32(14);
    size_t paletteAt = 14 + size_t(infoSize), entryBytes = 4;
    uint32_t colours = 0;
    if (infoSize == 12) {
        h.width = b.u16(18);
        h.height = b.u16(20);
        h.bits = b.u16(24);
        entryBytes = 3;
    } else {
        if (!b.has(0, 54)) return fail("not a BMP file that can be read");
        h.width = int32_t(b.u32(18));
        h.height = int32_t(b.u32(22));
        h.bits = b.u16(28);
        h.compression = b.u32(30);
        colours = b.u32(46);
        if (h.compression == kBitFields || h.compression == kAlphaBitFields) {
            // The masks follow a 40-byte header, or are part of a longer one.
            if (!b.has(54, 12)) return fail("not a BMP file that can be read");
            for (int i = 0; i < 3; ++i)
                h.masks[i] = b.u32(54 + 4 * size_t(i));
            if (infoSize == 40) paletteAt += h.compression == kAlphaBitFields ? 16 : 12;
        }
    }
    if (h.height < 0) {
        h.topDown = true;
        h.height = -h.height;
    }
    bool rle = h.compression == kRle8 || h.compression == kRle4;
    // A depth outside these (a core header's is not checked before) would
    // make rows of no bytes that the pixels are then read from.
    if (h.bits != 1 && h.bits != 4 && h.bits != 8 && h.bits != 16 && h.bits != 24 && h.bits != 32)
        return fail("not a BMP file that can be read");
    if ((h.compression == kRle8 && h.bits != 8) || (h.compression == kRle4 && h.bits != 4) ||
        (rle && h.topDown) ||
        ((h.compression == kBitFields || h.compression == kAlphaBitFields) && h.bits != 16 &&
         h.bits != 32) ||
        h.compression > kAlphaBitFields || h.compression == 4 || h.compression == 5)
        return fail("not a BMP file that can be read");
    if (h.bits <= 8) {
        uint32_t count = colours ? std::min<uint32_t>(colours, 1u << h.bits) : 1u << h.bits;
        for (uint32_t i = 0; i < count; ++i) {
            size_t at = paletteAt + i * entryBytes;
            if (!b.has(at, 3)) break; // a short palette: the rest is black
            h.palette.push_back(0xFF000000u | uint32_t(b.u8(at + 2)) << 16 |
                                uint32_t(b.u8(at + 1)) << 8 | b.u8(at));
        }
    }
    if (h.compression == kRgb && (h.bits == 16 || h.bits == 32)) {
        // Without bit fields: 5-5-5 and 8-8-8.
        h.masks[0] = h.bits == 16 ? 0x7C00 : 0xFF0000;
        h.masks[1] = h.bits == 16 ? 0x03E0 : 0x00FF00;
        h.masks[2] = h.bits == 16 ? 0x001F : 0x0000FF;
    }
    return true;
}

uint32_t paletteColour(const TBmpHeader& h, uint32_t index) {
    return index < h.palette.size() ? h.palette[index] : 0xFF000000u;
}

// Rows as stored, each padded to four bytes.
bool readRows(const TBytes& b, const TBmpHeader& h, TSurface& s, std::string* error) {
    size_t rowBytes = ((size_t(h.width) * h.bits + 31) / 32) * 4;
    TField red(h.masks[0]), green(h.masks[1]), blue(h.masks[2]);
    for (int64_t j = 0; j < h.height; ++j) {
        size_t at = h.pixelsAt + size_t(j) * rowBytes;
        if (!b.has(at, rowBytes)) {
            if (error) *error = "the file ends before its picture does";
            return false;
        }
        uint32_t* out = s.row(int(h.topDown ? j : h.height - 1 - j));
        for (int64_t i = 0; i < h.width; ++i) {
            uint32_t p;
            switch (h.bits) {
            case 1:
            case 4:
            case 8: {
                size_t bit = size_t(i) * h.bits;
                uint32_t byte = b.u8(at + bit / 8);
                uint32_t index = (byte >> (8 - h.bits - bit % 8)) & ((1u << h.bits) - 1);
                p = paletteColour(h, index);
                break;
            }
            case 24:
                p = 0xFF000000u | uint32_t(b.u8(at + 3 * size_t(i) + 2)) << 16 |
                    uint32_t(b.u8(at + 3 * size_t(i) + 1)) << 8 | b.u8(at + 3 * size_t(i));
                break;
            default: {
                uint32_t v = h.bits == 16 ? b.u16(at + 2 * size_t(i)) : b.u32(at + 4 * size_t(i));
                p = 0xFF000000u | red.of(v) << 16 | green.of(v) << 8 | blue.of(v);
            }
            }
            out[i] = p;
        }
    }
    return true;
}

// Run-length pictures: runs of one index (two alternating for RLE4), and
// escapes for the end of a row, the end of the picture, a jump and a literal
// stretch. What a jump or an early end skips stays black.
bool readRle(const TBytes& b, const TBmpHeader& h, TSurface& s, std::string* error) {
    bool four = h.compression == kRle4;
    int64_t x = 0, y = 0;
    size_t at = h.pixelsAt;
    auto put = [&](uint32_t index) {
        if (x < h.width && y < h.height) s.row(int(h.height - 1 - y))[x] = paletteColour(h, index);
        ++x;
    };
    while (y < h.height) {
        if (!b.has(at, 2)) {
            if (error) *error = "the file ends before its picture does";
            return false;
        }
        uint32_t count = b.u8(at), value = b.u8(at + 1);
        at += 2;
        if (count > 0) {
            for (uint32_t k = 0; k < count; ++k)
                put(four ? (k % 2 ? value & 0xF : value >> 4) : value);
            continue;
        }
        if (value == 0) { // end of the row
            x = 0, ++y;
        } else if (value == 1) { // end of the picture
            break;
        } else if (value == 2) { // a jump right and down
            if (!b.has(at, 2)) break;
            x += b.u8(at), y += b.u8(at + 1);
            at += 2;
        } else { // a literal stretch of `value` indices, padded to two bytes
            size_t bytes = four ? (value + 1) / 2 : value;
            if (!b.has(at, bytes)) {
                if (error) *error = "the file ends before its picture does";
                return false;
            }
            for (uint32_t k = 0; k < value; ++k) {
                uint32_t byte = b.u8(at + (four ? k / 2 : k));
                put(four ? (k % 2 ? byte & 0xF : byte >> 4) : byte);
            }
            at += (bytes + 1) & ~size_t(1);
        }
    }
    return true;
}

} // namespace

std::unique_ptr<TSurface> decodeBmp(std::string_view bytes, std::string* error) {
    TBytes b(bytes);
    TBmpHeader h;
    if (!readHeader(b, h, error)) return nullptr;
    if (h.width <= 0 || h.height <= 0 || h.width > kMaxImageSide || h.height > kMaxImageSide) {
        if (error) *error = kImageTooLarge;
        return nullptr;
    }
    std::unique_ptr<TSurface> s = TSurface::create(int(h.width), int(h.height));
    if (!s) {
        if (error) *error = kImageTooLarge;
        return nullptr;
    }
    bool rle = h.compression == kRle8 || h.compression == kRle4;
    if (!(rle ? readRle(b, h, *s, error) : readRows(b, h, *s, error))) return nullptr;
    return s;
}

} // namespace ravok
