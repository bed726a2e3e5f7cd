// The copies panels need beyond the sprites' own: a stretched copy between
// rectangles of any size, and a translucent copy at a point. Both work on the
// pixels directly, so they land on whole pixels exactly where the rectangles
// say (a transformed cairo paint rounds half-pixel offsets its own way).
#include "base/surface.h"

#include <algorithm>

namespace ravok {

// Rectangles come from scripts with any corners: their sides and the scaled
// offsets are worked out in wider integers, which hold every case exactly.
void TSurface::copyScaled(const TSurface& source, TRect src, TRect dst) {
    int64_t sw = int64_t(src.right) - src.left, sh = int64_t(src.bottom) - src.top;
    int64_t dw = int64_t(dst.right) - dst.left, dh = int64_t(dst.bottom) - dst.top;
    if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0) return;
    int x0 = std::max(dst.left, clipLeft_), x1 = std::min(dst.right, clipRight_);
    int y0 = std::max(dst.top, clipTop_), y1 = std::min(dst.bottom, clipBottom_);
    if (x0 >= x1 || y0 >= y1) return;
    auto scaled = [](int at, int from, int64_t side, int64_t over) {
        return int64_t((__int128(int64_t(at) - from) * side) / over);
    };
    bool keyed = source.key_ != kNoKey;
    uint32_t key = uint32_t(source.key_) & 0xFFFFFF;
    for (int y = y0; y < y1; ++y) {
        int64_t sy = src.top + scaled(y, dst.top, sh, dh);
        if (sy < 0 || sy >= source.height_) continue;
        const uint32_t* in = source.row(int(sy));
        uint32_t* out = row(y);
        for (int x = x0; x < x1; ++x) {
            int64_t sx = src.left + scaled(x, dst.left, sw, dw);
            if (sx < 0 || sx >= source.width_) continue;
            uint32_t p = in[sx] & 0xFFFFFF;
            if (!keyed || p != key) out[x] = p | 0xFF000000u;
        }
    }
}

void TSurface::copyBlended(const TSurface& source, TRect src, int x, int y, int alpha) {
    if (alpha <= 0) return;
    if (alpha >= 255) {
        copyKeyed(source, src, x, y);
        return;
    }
    int64_t w = int64_t(src.right) - src.left, h = int64_t(src.bottom) - src.top;
    // The part of the rectangle that lies inside both surfaces.
    int64_t i0 = std::max<int64_t>({0, int64_t(clipLeft_) - x, -int64_t(src.left)});
    int64_t i1 = std::min<int64_t>({w, int64_t(clipRight_) - x, int64_t(source.width_) - src.left});
    int64_t j0 = std::max<int64_t>({0, int64_t(clipTop_) - y, -int64_t(src.top)});
    int64_t j1 =
        std::min<int64_t>({h, int64_t(clipBottom_) - y, int64_t(source.height_) - src.top});
    if (i0 >= i1 || j0 >= j1) return;
    bool keyed = source.key_ != kNoKey;
    uint32_t key = uint32_t(source.key_) & 0xFFFFFF;
    uint32_t a = uint32_t(alpha), b = 255 - a;
    auto mix = [&](uint32_t s, uint32_t d, int shift) {
        uint32_t v = (((s >> shift) & 0xFF) * a + ((d >> shift) & 0xFF) * b + 127) / 255;
        return v << shift;
    };
    // Within both surfaces every index below fits an int again.
    for (int64_t j = j0; j < j1; ++j) {
        const uint32_t* in = source.row(int(src.top + j));
        uint32_t* out = row(int(y + j));
        for (int64_t i = i0; i < i1; ++i) {
            uint32_t s = in[src.left + i] & 0xFFFFFF;
            if (keyed && s == key) continue;
            uint32_t d = out[x + i];
            out[x + i] = 0xFF000000u | mix(s, d, 16) | mix(s, d, 8) | mix(s, d, 0);
        }
    }
}

} // namespace ravok
