// Turned, scaled and translucent copies: the nearest source pixel, sampled
// at each pixel's centre through a 16.16 fixed-point transformation that is
// set up in doubles, rounded, and corrected at the middle of the drawn area;
// and source-over blending in 8-bit steps. Frames drawn before this code
// existed were drawn by a vector library that samples the same way, and its
// pictures are kept: the matrix arithmetic below is done in the same order,
// step for step, so every product rounds alike. The turn's sine and cosine
// come from a table, so every platform's C library gives the same pixels.
#include "base/surface.h"

#include "base/pixel_blend.h"
#include "base/turn_table.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace ravok {

namespace {

// An affine transformation: x' = xx x + xy y + x0, y' = yx x + yy y + y0.
struct TAffine {
    double xx = 1, yx = 0, xy = 0, yy = 1, x0 = 0, y0 = 0;

    static TAffine translation(double tx, double ty) { return {1, 0, 0, 1, tx, ty}; }
    static TAffine scaling(double sx, double sy) { return {sx, 0, 0, sy, 0, 0}; }
    static TAffine turn(double sine, double cosine) { return {cosine, sine, -sine, cosine, 0, 0}; }

    // This transformation followed by b.
    TAffine then(const TAffine& b) const {
        return {xx * b.xx + yx * b.xy, xx * b.yx + yx * b.yy,        xy * b.xx + yy * b.xy,
                xy * b.yx + yy * b.yy, x0 * b.xx + y0 * b.xy + b.x0, x0 * b.yx + y0 * b.yy + b.y0};
    }
    void distance(double& x, double& y) const {
        double nx = xx * x + xy * y, ny = yx * x + yy * y;
        x = nx, y = ny;
    }
    void point(double& x, double& y) const {
        distance(x, y);
        x += x0, y += y0;
    }
    // The inverse in place; false when there is none. Pure scales and
    // translations are inverted term by term, exactly.
    bool invert() {
        if (xy == 0. && yx == 0.) {
            x0 = -x0, y0 = -y0;
            if (xx != 1.) {
                if (xx == 0.) return false;
                xx = 1. / xx;
                x0 *= xx;
            }
            if (yy != 1.) {
                if (yy == 0.) return false;
                yy = 1. / yy;
                y0 *= yy;
            }
            return true;
        }
        double det = xx * yy - yx * xy;
        if (!std::isfinite(det) || det == 0) return false;
        TAffine adjoint{yy, -yx, -xy, xx, xy * y0 - yy * x0, yx * x0 - xx * y0};
        double by = 1 / det;
        *this = {adjoint.xx * by, adjoint.yx * by, adjoint.xy * by,
                 adjoint.yy * by, adjoint.x0 * by, adjoint.y0 * by};
        return true;
    }
};

int32_t toFixed(double d) { return int32_t(std::nearbyint(d * 65536.0)); }

// Rows of a 16.16 affine transformation from destination pixels to source
// pixels.
struct TFixedTransform {
    int64_t m[2][3];

    // The transformed point of a 16.16 vector (x, y, 1), rounded as the
    // library rounds: integer parts multiplied exactly, the fractions summed
    // and rounded once.
    int64_t apply(int row, int64_t x, int64_t y) const {
        int64_t whole = m[row][0] * (x >> 16) + m[row][1] * (y >> 16) + m[row][2];
        int64_t fraction = m[row][0] * (x & 0xFFFF) + m[row][1] * (y & 0xFFFF);
        return whole + ((fraction + 0x8000) >> 16);
    }
};

// How one turned copy samples: the transformation, the offset added to
// destination pixels before it applies, and the destination area it may
// touch (the turned rectangle's bounding box on the surface).
struct TTurnPlan {
    TFixedTransform t{};
    int xOffset = 0, yOffset = 0;
    TRect area;
};

// Values a hair from a whole number are taken as that number when the
// bounding box is rounded out, as a turn by a multiple of 90 degrees has no
// exact sine or cosine.
double nearWhole(double v) {
    double r = std::nearbyint(v);
    return std::fabs(v - r) < 1e-6 ? r : v;
}

bool planTurn(int sw, int sh, int cx, int cy, int dw, int dh, int steps, int surfaceWidth,
              int surfaceHeight, TTurnPlan& plan) {
    // The device-to-source matrix, built step by step in the order the
    // transformation is given (centre, turn, scale, cell centre).
    double sx = double(dw) / sw, sy = double(dh) / sh;
    int turn = steps & 255; // the inverse turns back: sin(-a) = -sin(a)
    TAffine inverse = TAffine::translation(-cx, -cy)
                          .then(TAffine::turn(-kTurnSine[turn], kTurnCosine[turn]))
                          .then(TAffine::scaling(1 / sx, 1 / sy))
                          .then(TAffine::translation(sw / 2.0, sh / 2.0));

    // The cell's bounding box on the surface.
    TAffine forward = inverse;
    if (!forward.invert()) return false;
    double x1 = HUGE_VAL, y1 = HUGE_VAL, x2 = -HUGE_VAL, y2 = -HUGE_VAL;
    for (int corner = 0; corner < 4; ++corner) {
        double x = corner & 1 ? sw : 0, y = corner & 2 ? sh : 0;
        forward.point(x, y);
        x1 = std::min(x1, x), y1 = std::min(y1, y), x2 = std::max(x2, x), y2 = std::max(y2, y);
    }
    constexpr double kFar = 1 << 28;
    if (!(x1 > -kFar && y1 > -kFar && x2 < kFar && y2 < kFar)) return false;
    plan.area = {std::max(0, int(std::floor(nearWhole(x1)))),
                 std::max(0, int(std::floor(nearWhole(y1)))),
                 std::min(surfaceWidth, int(std::ceil(nearWhole(x2)))),
                 std::min(surfaceHeight, int(std::ceil(nearWhole(y2))))};
    if (plan.area.left >= plan.area.right || plan.area.top >= plan.area.bottom) return false;
    double xc = plan.area.left + plan.area.width() / 2.0;
    double yc = plan.area.top + plan.area.height() / 2.0;

    // A whole-pixel offset keeps the fixed-point translation small: of the
    // candidate points, the one nearest the origin.
    TAffine m = inverse;
    double tx = m.x0, ty = m.y0, norm = std::max(std::fabs(tx), std::fabs(ty));
    for (int i = -1; i < 2; i += 2) {
        for (int j = -1; j < 2; j += 2) {
            double den = (m.xx + i) * (m.yy + j) - m.xy * m.yx;
            if (std::fabs(den) < 2.220446049250313e-16) continue;
            // Multiplied by the reciprocal, not divided: the offset is the
            // floor of this, and must come out as the library's does.
            double reciprocal = 1 / den;
            double x = (m.y0 * m.xy - m.x0 * (m.yy + j)) * reciprocal;
            double y = (m.x0 * m.yx - m.y0 * (m.xx + i)) * reciprocal;
            double candidate = std::max(std::fabs(x), std::fabs(y));
            if (norm > candidate) norm = candidate, tx = x, ty = y;
        }
    }
    tx = std::floor(tx), ty = std::floor(ty);
    plan.xOffset = int(-tx), plan.yOffset = int(-ty);
    m = TAffine::translation(tx, ty).then(m);
    plan.t = {{{toFixed(m.xx), toFixed(m.xy), toFixed(m.x0)},
               {toFixed(m.yx), toFixed(m.yy), toFixed(m.y0)}}};

    // Rounding the matrix to 16.16 moves far points; the translation is
    // corrected so that the middle of the area samples where the exact
    // matrix does.
    TAffine back = m;
    if (!back.invert()) return true;
    for (int round = 0; round < 5; ++round) {
        int64_t vx = toFixed(xc), vy = toFixed(yc);
        double x = plan.t.apply(0, vx, vy) / 65536.0, y = plan.t.apply(1, vx, vy) / 65536.0;
        back.point(x, y);
        x -= xc, y -= yc;
        m.distance(x, y);
        int32_t dx = toFixed(x), dy = toFixed(y);
        plan.t.m[0][2] -= dx, plan.t.m[1][2] -= dy;
        if (dx == 0 && dy == 0) break;
    }
    return true;
}

// The i (0 <= i < n) for which lo <= v0 + i * step <= hi, as [first, last).
void linearRange(int64_t v0, int64_t step, int64_t lo, int64_t hi, int& first, int& last) {
    auto floorDiv = [](int64_t a, int64_t b) {
        int64_t q = a / b;
        return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
    };
    auto ceilDiv = [&](int64_t a, int64_t b) { return -floorDiv(-a, b); };
    if (step == 0) {
        if (v0 < lo || v0 > hi) last = first;
        return;
    }
    int64_t a, b;
    if (step > 0)
        a = ceilDiv(lo - v0, step), b = floorDiv(hi - v0, step);
    else
        a = ceilDiv(hi - v0, step), b = floorDiv(lo - v0, step);
    first = int(std::max<int64_t>(first, a));
    last = int(std::min<int64_t>(last, b + 1));
}

// One row of a turned copy: n pixels from out, the first sampling (vx, vy)
// and each next one (dx, dy) further, cell the cell's top-left source pixel.
struct TTurnedRow {
    const uint32_t* cell;
    int stride; // source pixels from row to row
    int64_t vx, vy, dx, dy;
    bool keyed;
    uint32_t key, alpha;
};

void turnedRowScalar(const TTurnedRow& r, uint32_t* out, int from, int n) {
    int64_t vx = r.vx + from * r.dx, vy = r.vy + from * r.dy;
    for (int i = from; i < n; ++i, vx += r.dx, vy += r.dy) {
        uint32_t p = r.cell[((vy - 1) >> 16) * r.stride + ((vx - 1) >> 16)] & 0xFFFFFF;
        if (r.keyed && p == r.key) continue;
        out[i] = r.alpha >= 255 ? p | 0xFF000000u : blendOver(p, out[i], r.alpha);
    }
}

#if defined(__x86_64__)
// x * by / 255 in 16-bit lanes, rounded as the scalar blend rounds.
__attribute__((target("avx2"))) inline __m256i scale16(__m256i x, __m256i by, __m256i half) {
    __m256i t = _mm256_add_epi16(_mm256_mullo_epi16(x, by), half);
    return _mm256_srli_epi16(_mm256_add_epi16(t, _mm256_srli_epi16(t, 8)), 8);
}

// Eight pixels at a time with AVX2 (chosen at run time); the same pixels as
// the scalar row. Returns how many it drew.
__attribute__((target("avx2"))) int turnedRowAvx2(const TTurnedRow& r, uint32_t* out, int n) {
    const __m256i lanes = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    __m256i vx = _mm256_add_epi32(_mm256_set1_epi32(int32_t(r.vx - 1)),
                                  _mm256_mullo_epi32(lanes, _mm256_set1_epi32(int32_t(r.dx))));
    __m256i vy = _mm256_add_epi32(_mm256_set1_epi32(int32_t(r.vy - 1)),
                                  _mm256_mullo_epi32(lanes, _mm256_set1_epi32(int32_t(r.dy))));
    const __m256i stepX = _mm256_set1_epi32(int32_t(r.dx * 8)),
                  stepY = _mm256_set1_epi32(int32_t(r.dy * 8));
    const __m256i stride = _mm256_set1_epi32(r.stride), rgb = _mm256_set1_epi32(0xFFFFFF);
    const __m256i opaque = _mm256_set1_epi32(int(0xFF000000u)), key = _mm256_set1_epi32(int(r.key));
    const __m256i a = _mm256_set1_epi16(int16_t(r.alpha)),
                  ia = _mm256_set1_epi16(int16_t(255 - r.alpha));
    const __m256i half = _mm256_set1_epi16(0x80), zero = _mm256_setzero_si256();
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        __m256i index = _mm256_add_epi32(_mm256_mullo_epi32(_mm256_srai_epi32(vy, 16), stride),
                                         _mm256_srai_epi32(vx, 16));
        __m256i p = _mm256_and_si256(
            _mm256_i32gather_epi32(reinterpret_cast<const int*>(r.cell), index, 4), rgb);
        __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(out + i));
        __m256i drawn;
        if (r.alpha >= 255) {
            drawn = _mm256_or_si256(p, opaque);
        } else {
            __m256i s = _mm256_packus_epi16(scale16(_mm256_unpacklo_epi8(p, zero), a, half),
                                            scale16(_mm256_unpackhi_epi8(p, zero), a, half));
            __m256i e = _mm256_packus_epi16(scale16(_mm256_unpacklo_epi8(d, zero), ia, half),
                                            scale16(_mm256_unpackhi_epi8(d, zero), ia, half));
            drawn = _mm256_or_si256(_mm256_adds_epu8(s, e), opaque);
        }
        if (r.keyed) drawn = _mm256_blendv_epi8(drawn, d, _mm256_cmpeq_epi32(p, key));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), drawn);
        vx = _mm256_add_epi32(vx, stepX);
        vy = _mm256_add_epi32(vy, stepY);
    }
    return i;
}
const bool gTurnedAvx2 = __builtin_cpu_supports("avx2");
#endif

} // namespace

void TSurface::copyRotated(const TSurface& source, TRect src, int cx, int cy, int dstWidth,
                           int dstHeight, int steps, int alpha) {
    copyRotatedWith(source, src, cx, cy, dstWidth, dstHeight, steps, alpha, source.key_);
}

void TSurface::copyRotatedWith(const TSurface& source, TRect src, int cx, int cy, int dstWidth,
                               int dstHeight, int steps, int alpha, int64_t sourceKey) {
    int sw = src.right - src.left, sh = src.bottom - src.top;
    if (sw <= 0 || sh <= 0 || dstWidth == 0 || dstHeight == 0 || alpha <= 0) return;
    TTurnPlan plan;
    if (!planTurn(sw, sh, cx, cy, dstWidth, dstHeight, steps, width_, height_, plan)) return;
    // Source pixels of the cell that lie on the source surface, in 16.16
    // sample values: the sample s picks pixel (s - 1) >> 16.
    int64_t xLo = int64_t(std::max(0, -src.left)) * 65536 + 1;
    int64_t xHi = int64_t(std::min(sw, source.width_ - src.left)) * 65536;
    int64_t yLo = int64_t(std::max(0, -src.top)) * 65536 + 1;
    int64_t yHi = int64_t(std::min(sh, source.height_ - src.top)) * 65536;
    if (xLo > xHi || yLo > yHi) return;
    int top = std::max(plan.area.top, clipTop_), bottom = std::min(plan.area.bottom, clipBottom_);
    int left = std::max(plan.area.left, clipLeft_), right = std::min(plan.area.right, clipRight_);
    if (top >= bottom || left >= right) return;
    bool keyed = sourceKey != kNoKey;
    uint32_t key = uint32_t(sourceKey) & 0xFFFFFF;
    uint32_t a = uint32_t(std::min(alpha, 255));
    const TFixedTransform& t = plan.t;
    for (int y = top; y < bottom; ++y) {
        int64_t px = int64_t(left + plan.xOffset) * 65536 + 32768;
        int64_t py = int64_t(y + plan.yOffset) * 65536 + 32768;
        int64_t vx = t.apply(0, px, py), vy = t.apply(1, px, py);
        int first = 0, last = right - left;
        linearRange(vx, t.m[0][0], xLo, xHi, first, last);
        linearRange(vy, t.m[1][0], yLo, yHi, first, last);
        if (first >= last) continue;
        TTurnedRow r{source.row(src.top) + src.left,
                     source.width_,
                     vx + first * t.m[0][0],
                     vy + first * t.m[1][0],
                     t.m[0][0],
                     t.m[1][0],
                     keyed,
                     key,
                     a};
        uint32_t* out = row(y) + left + first;
        int n = last - first, done = 0;
#if defined(__x86_64__)
        // The vector row works in 32-bit sample values, which every sample of
        // a cell narrower and shorter than 32768 pixels fits.
        if (gTurnedAvx2 && sw < 32768 && sh < 32768 && int64_t(sh) * (source.width_) < INT32_MAX)
            done = turnedRowAvx2(r, out, n);
#endif
        turnedRowScalar(r, out, done, n);
    }
}

} // namespace ravok
