#include "base/surface.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include <algorithm>
#include <cmath>
#include <new>

namespace ravok {

TSurface::TSurface(std::shared_ptr<uint32_t> pixels, int width, int height)
    : pixels_(std::move(pixels)), width_(width), height_(height), clipRight_(width),
      clipBottom_(height) {}

std::unique_ptr<TSurface> TSurface::band(int top, int bottom) {
    auto view = std::unique_ptr<TSurface>(new TSurface(pixels_, width_, height_));
    view->clipTop_ = std::max(0, top);
    view->clipBottom_ = std::min(height_, bottom);
    view->band_ = true;
    return view;
}

TSurface::~TSurface() = default;

std::unique_ptr<TSurface> TSurface::create(int width, int height) {
    width = std::max(1, width);
    height = std::max(1, height);
    // Sides past 32767 pixels (what window systems draw) and surfaces of
    // more than 2 GiB are refused rather than attempted: a game's screen of
    // that size gets its message, and byte offsets fit every platform.
    if (width > 32767 || height > 32767 || int64_t(width) * height > (int64_t(1) << 29))
        return nullptr;
    size_t count = size_t(width) * size_t(height);
    uint32_t* words = new (std::nothrow) uint32_t[count];
    if (!words) return nullptr;
    std::fill_n(words, count, 0xFF000000u);
    std::shared_ptr<uint32_t> pixels(words, std::default_delete<uint32_t[]>());
    return std::unique_ptr<TSurface>(new TSurface(std::move(pixels), width, height));
}

uint32_t TSurface::rawPixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
    return row(y)[x] & 0xFFFFFF;
}

uint32_t TSurface::pixel(int x, int y) const { return colourFromRaw(rawPixel(x, y)); }

void TSurface::fillRect(const TRect& r, uint32_t colour) {
    int l = std::max(clipLeft_, r.left), t = std::max(clipTop_, r.top);
    int rr = std::min(clipRight_, r.right), b = std::min(clipBottom_, r.bottom);
    if (l >= rr || t >= b) return;
    uint32_t w = rawFromColour(colour) | 0xFF000000u;
    for (int y = t; y < b; ++y)
        std::fill(row(y) + l, row(y) + rr, w);
}

namespace {
// Cuts the segment to a square far around the surface, so a line between
// corners anywhere in the integers' range takes as many steps as its visible
// part, not four billion. Lines within the square are left exactly as given.
bool cutToReach(int& x1, int& y1, int& x2, int& y2) {
    constexpr double kReach = 1 << 16;
    auto inside = [](int v) { return v > -kReach && v < kReach; };
    if (inside(x1) && inside(y1) && inside(x2) && inside(y2)) return true;
    double t0 = 0, t1 = 1, dx = double(x2) - x1, dy = double(y2) - y1;
    // Liang-Barsky against -kReach .. kReach on both axes.
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x1 + kReach, kReach - x1, y1 + kReach, kReach - y1};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0) return false;
            continue;
        }
        double r = q[i] / p[i];
        if (p[i] < 0)
            t0 = std::max(t0, r);
        else
            t1 = std::min(t1, r);
        if (t0 > t1) return false;
    }
    double ax = x1 + t0 * dx, ay = y1 + t0 * dy, bx = x1 + t1 * dx, by = y1 + t1 * dy;
    x1 = int(std::lround(ax)), y1 = int(std::lround(ay));
    x2 = int(std::lround(bx)), y2 = int(std::lround(by));
    return true;
}
} // namespace

void TSurface::line(int x1, int y1, int x2, int y2, uint32_t colour) {
    if (!cutToReach(x1, y1, x2, y2)) return;
    uint32_t w = rawFromColour(colour) | 0xFF000000u;
    int dx = std::abs(x2 - x1), dy = -std::abs(y2 - y1);
    int sx = x1 < x2 ? 1 : -1, sy = y1 < y2 ? 1 : -1;
    int err = dx + dy;
    int x = x1, y = y1;
    while (x != x2 || y != y2) { // the end point itself is not drawn
        if (x >= clipLeft_ && y >= clipTop_ && x < clipRight_ && y < clipBottom_) row(y)[x] = w;
        int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
}

void TSurface::polygon(const std::vector<TPoint>& points, uint32_t colour) {
    if (points.empty()) return;
    uint32_t w = rawFromColour(colour) | 0xFF000000u;
    int top = points[0].y, bottom = points[0].y;
    for (const TPoint& p : points) {
        top = std::min(top, p.y);
        bottom = std::max(bottom, p.y);
    }
    top = std::max(top, clipTop_);
    bottom = std::min(bottom, clipBottom_ - 1);
    std::vector<double> xs;
    size_t n = points.size();
    // Each scan line is sampled through the pixel centres; spans between
    // pairs of crossings are filled (even-odd).
    for (int y = top; y <= bottom; ++y) {
        double cy = y + 0.5;
        xs.clear();
        for (size_t i = 0; i < n; ++i) {
            const TPoint& a = points[i];
            const TPoint& b = points[(i + 1) % n];
            if ((a.y <= cy) == (b.y <= cy)) continue;
            // In doubles: the corners may lie anywhere in the integers' range.
            xs.push_back(a.x + (cy - a.y) * (double(b.x) - a.x) / (double(b.y) - a.y));
        }
        std::sort(xs.begin(), xs.end());
        for (size_t i = 0; i + 1 < xs.size(); i += 2) {
            int from =
                int(std::clamp(std::ceil(xs[i] - 0.5), double(clipLeft_), double(clipRight_)));
            int to =
                int(std::clamp(std::ceil(xs[i + 1] - 0.5), double(clipLeft_), double(clipRight_)));
            for (int x = from; x < to; ++x)
                row(y)[x] = w;
        }
    }
    for (size_t i = 0; i < n; ++i)
        line(points[i].x, points[i].y, points[(i + 1) % n].x, points[(i + 1) % n].y, colour);
    if (n == 1 && points[0].x >= clipLeft_ && points[0].y >= clipTop_ && points[0].x < clipRight_ &&
        points[0].y < clipBottom_) {
        row(points[0].y)[points[0].x] = w;
    }
}

namespace {
#if defined(__x86_64__)
// Eight pixels at a time on processors with AVX2 (chosen at run time).
__attribute__((target("avx2"))) int keyedRowAvx2(const uint32_t* in, uint32_t* out, int n,
                                                 uint32_t key) {
    const __m256i rgb = _mm256_set1_epi32(0xFFFFFF), opaque = _mm256_set1_epi32(int(0xFF000000u));
    const __m256i keys = _mm256_set1_epi32(int(key));
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        __m256i p = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + i));
        __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(out + i));
        __m256i isKey = _mm256_cmpeq_epi32(_mm256_and_si256(p, rgb), keys);
        __m256i r = _mm256_blendv_epi8(_mm256_or_si256(p, opaque), d, isKey);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), r);
    }
    return i;
}
const bool gHasAvx2 = __builtin_cpu_supports("avx2");

// A whole keyed block with AVX-512: a mask of the pixels that are not the key
// goes straight to a masked store, so the destination is never read, and a
// masked load and store take the row's last pixels. One call a sprite.
__attribute__((target("avx512f"))) void keyedRowsAvx512(const uint32_t* in, size_t inStride,
                                                        uint32_t* out, size_t outStride, int n,
                                                        int rows, uint32_t key) {
    const __m512i rgb = _mm512_set1_epi32(0xFFFFFF), opaque = _mm512_set1_epi32(int(0xFF000000u));
    const __m512i keys = _mm512_set1_epi32(int(key));
    const int whole = n & ~15;
    const __mmask16 tail = __mmask16((1u << (n & 15)) - 1);
    for (int j = 0; j < rows; ++j, in += inStride, out += outStride) {
        for (int i = 0; i < whole; i += 16) {
            __m512i p = _mm512_loadu_si512(in + i);
            __mmask16 drawn = _mm512_cmpneq_epi32_mask(_mm512_and_si512(p, rgb), keys);
            _mm512_mask_storeu_epi32(out + i, drawn, _mm512_or_si512(p, opaque));
        }
        if (tail) {
            // Masked-off lanes are neither read nor written, even past the row.
            __m512i p = _mm512_maskz_loadu_epi32(tail, in + whole);
            __mmask16 drawn = _mm512_mask_cmpneq_epi32_mask(tail, _mm512_and_si512(p, rgb), keys);
            _mm512_mask_storeu_epi32(out + whole, drawn, _mm512_or_si512(p, opaque));
        }
    }
}
const bool gHasAvx512 = __builtin_cpu_supports("avx512f");
#endif

// One row of a keyed copy: the destination keeps its pixel where the source
// has the key colour. Eight or four pixels at a time where the processor
// can, the same result either way.
void keyedRow(const uint32_t* in, uint32_t* out, int n, uint32_t key) {
    int i = 0;
#if defined(__x86_64__)
    if (gHasAvx2) i = keyedRowAvx2(in, out, n, key);
#endif
#if defined(__SSE2__)
    const __m128i rgb = _mm_set1_epi32(0xFFFFFF), opaque = _mm_set1_epi32(int(0xFF000000u));
    const __m128i keys = _mm_set1_epi32(int(key));
    for (; i + 4 <= n; i += 4) {
        __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
        __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(out + i));
        __m128i isKey = _mm_cmpeq_epi32(_mm_and_si128(p, rgb), keys);
        __m128i drawn = _mm_or_si128(p, opaque);
        __m128i r = _mm_or_si128(_mm_and_si128(isKey, d), _mm_andnot_si128(isKey, drawn));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), r);
    }
#endif
    for (; i < n; ++i) {
        uint32_t p = in[i];
        if ((p & 0xFFFFFF) != key) out[i] = p | 0xFF000000u;
    }
}
} // namespace

void TSurface::copyKeyedWith(const TSurface& source, TRect src, int x, int y, int64_t sourceKey) {
    bool mirrored = src.left > src.right;
    int w = mirrored ? src.left - src.right : src.right - src.left;
    int h = src.bottom - src.top;
    if (w <= 0 || h <= 0) return;
    // Source column of destination column i: first + step * i.
    int first = mirrored ? source.width_ - 1 - src.right : src.left;
    int step = mirrored ? -1 : 1;
    // The columns i that land inside both surfaces, worked out once.
    int i0 = std::max(0, clipLeft_ - x), i1 = std::min(w, clipRight_ - x);
    if (mirrored) {
        i0 = std::max(i0, first - (source.width_ - 1));
        i1 = std::min(i1, first + 1);
    } else {
        i0 = std::max(i0, -first);
        i1 = std::min(i1, source.width_ - first);
    }
    int j0 = std::max({0, clipTop_ - y, -src.top});
    int j1 = std::min({h, clipBottom_ - y, source.height_ - src.top});
    if (i0 >= i1 || j0 >= j1) return;
    int n = i1 - i0;
    if (sourceKey == kNoKey) {
        for (int j = j0; j < j1; ++j) {
            const uint32_t* in = source.row(src.top + j) + first + step * i0;
            uint32_t* out = row(y + j) + x + i0;
            for (int i = 0; i < n; ++i)
                out[i] = in[step * i] | 0xFF000000u;
        }
    } else {
        uint32_t key = uint32_t(sourceKey) & 0xFFFFFF;
        for (int j = j0; j < j1; ++j) {
            const uint32_t* in = source.row(src.top + j) + first + step * i0;
            uint32_t* out = row(y + j) + x + i0;
            if (step > 0) {
#if defined(__x86_64__)
                if (gHasAvx512) {
                    keyedRowsAvx512(in, size_t(source.width_), out, size_t(width_), n, j1 - j, key);
                    break;
                }
#endif
                keyedRow(in, out, n, key);
            } else {
                for (int i = 0; i < n; ++i) {
                    uint32_t p = in[-i];
                    out[i] = (p & 0xFFFFFF) == key ? out[i] : (p | 0xFF000000u);
                }
            }
        }
    }
}

void TSurface::copyPlain(const TSurface& source, TRect src, int x, int y) {
    copyKeyedWith(source, src, x, y, kNoKey);
}

} // namespace ravok
