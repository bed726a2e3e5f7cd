// The copies panels need beyond the sprites' own: a stretched copy between
// rectangles of any size, and a translucent copy at a point. Both work on the
// pixels directly, so they land on whole pixels exactly where the rectangles
// say (a transformed cairo paint rounds half-pixel offsets its own way).
#include "base/surface.h"

#include <algorithm>

namespace ravok {

void TSurface::copyScaled(const TSurface& source, TRect src, TRect dst) {
    int sw = src.width(), sh = src.height(), dw = dst.width(), dh = dst.height();
    if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0) return;
    int x0 = std::max(dst.left, clipLeft_), x1 = std::min(dst.right, clipRight_);
    int y0 = std::max(dst.top, clipTop_), y1 = std::min(dst.bottom, clipBottom_);
    if (x0 >= x1 || y0 >= y1) return;
    source.beginDirect();
    beginDirect();
    bool keyed = source.key_ != kNoKey;
    uint32_t key = uint32_t(source.key_) & 0xFFFFFF;
    for (int y = y0; y < y1; ++y) {
        int sy = src.top + int(int64_t(y - dst.top) * sh / dh);
        if (sy < 0 || sy >= source.height_) continue;
        const uint32_t* in = source.row(sy);
        uint32_t* out = row(y);
        for (int x = x0; x < x1; ++x) {
            int sx = src.left + int(int64_t(x - dst.left) * sw / dw);
            if (sx < 0 || sx >= source.width_) continue;
            uint32_t p = in[sx] & 0xFFFFFF;
            if (!keyed || p != key) out[x] = p | 0xFF000000u;
        }
    }
    touched();
}

void TSurface::copyBlended(const TSurface& source, TRect src, int x, int y, int alpha) {
    if (alpha <= 0) return;
    if (alpha >= 255) {
        copyKeyed(source, src, x, y);
        return;
    }
    int w = src.width(), h = src.height();
    // The part of the rectangle that lies inside both surfaces.
    int i0 = std::max({0, clipLeft_ - x, -src.left});
    int i1 = std::min({w, clipRight_ - x, source.width_ - src.left});
    int j0 = std::max({0, clipTop_ - y, -src.top});
    int j1 = std::min({h, clipBottom_ - y, source.height_ - src.top});
    if (i0 >= i1 || j0 >= j1) return;
    source.beginDirect();
    beginDirect();
    bool keyed = source.key_ != kNoKey;
    uint32_t key = uint32_t(source.key_) & 0xFFFFFF;
    uint32_t a = uint32_t(alpha), b = 255 - a;
    auto mix = [&](uint32_t s, uint32_t d, int shift) {
        uint32_t v = (((s >> shift) & 0xFF) * a + ((d >> shift) & 0xFF) * b + 127) / 255;
        return v << shift;
    };
    for (int j = j0; j < j1; ++j) {
        const uint32_t* in = source.row(src.top + j) + src.left;
        uint32_t* out = row(y + j) + x;
        for (int i = i0; i < i1; ++i) {
            uint32_t s = in[i] & 0xFFFFFF;
            if (keyed && s == key) continue;
            uint32_t d = out[i];
            out[i] = 0xFF000000u | mix(s, d, 16) | mix(s, d, 8) | mix(s, d, 0);
        }
    }
    touched();
}

} // namespace ravok
