#include "surface.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>

namespace ravok {

TSurface::TSurface(cairo_surface_t* surface, int width, int height)
    : surface_(surface), width_(width), height_(height),
      stride_(cairo_image_surface_get_stride(surface)),
      data_(cairo_image_surface_get_data(surface)) {}

TSurface::~TSurface() {
    for (auto& [k, copy] : keyed_)
        cairo_surface_destroy(copy);
    cairo_surface_destroy(surface_);
}

std::unique_ptr<TSurface> TSurface::create(int width, int height) {
    width = std::max(1, width);
    height = std::max(1, height);
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(s);
        return nullptr;
    }
    auto surface = std::unique_ptr<TSurface>(new TSurface(s, width, height));
    cairo_surface_flush(s);
    for (int y = 0; y < height; ++y)
        std::fill_n(surface->row(y), width, 0u);
    cairo_surface_mark_dirty(s);
    return surface;
}

void TSurface::changed() const { ++stamp_; }

void TSurface::touched() const {
    cairo_surface_mark_dirty(surface_);
    changed();
}

uint32_t TSurface::rawPixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
    cairo_surface_flush(surface_);
    return row(y)[x] & 0xFFFFFF;
}

uint32_t TSurface::pixel(int x, int y) const { return colourFromRaw(rawPixel(x, y)); }

void TSurface::fillRect(const TRect& r, uint32_t colour) {
    int l = std::max(0, r.left), t = std::max(0, r.top);
    int rr = std::min(width_, r.right), b = std::min(height_, r.bottom);
    if (l >= rr || t >= b) return;
    cairo_surface_flush(surface_);
    uint32_t w = rawFromColour(colour) | 0xFF000000u;
    for (int y = t; y < b; ++y)
        std::fill(row(y) + l, row(y) + rr, w);
    touched();
}

void TSurface::line(int x1, int y1, int x2, int y2, uint32_t colour) {
    cairo_surface_flush(surface_);
    uint32_t w = rawFromColour(colour) | 0xFF000000u;
    int dx = std::abs(x2 - x1), dy = -std::abs(y2 - y1);
    int sx = x1 < x2 ? 1 : -1, sy = y1 < y2 ? 1 : -1;
    int err = dx + dy;
    int x = x1, y = y1;
    while (x != x2 || y != y2) { // the end point itself is not drawn
        if (x >= 0 && y >= 0 && x < width_ && y < height_) row(y)[x] = w;
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
    touched();
}

void TSurface::polygon(const std::vector<TPoint>& points, uint32_t colour) {
    if (points.empty()) return;
    cairo_surface_flush(surface_);
    uint32_t w = rawFromColour(colour) | 0xFF000000u;
    int top = points[0].y, bottom = points[0].y;
    for (const TPoint& p : points) {
        top = std::min(top, p.y);
        bottom = std::max(bottom, p.y);
    }
    top = std::max(top, 0);
    bottom = std::min(bottom, height_ - 1);
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
            xs.push_back(a.x + (cy - a.y) * double(b.x - a.x) / double(b.y - a.y));
        }
        std::sort(xs.begin(), xs.end());
        for (size_t i = 0; i + 1 < xs.size(); i += 2) {
            int from = std::max(0, int(std::ceil(xs[i] - 0.5)));
            int to = std::min(width_, int(std::ceil(xs[i + 1] - 0.5)));
            for (int x = from; x < to; ++x)
                row(y)[x] = w;
        }
    }
    touched();
    for (size_t i = 0; i < n; ++i)
        line(points[i].x, points[i].y, points[(i + 1) % n].x, points[(i + 1) % n].y, colour);
    if (n == 1 && points[0].x >= 0 && points[0].y >= 0 && points[0].x < width_ &&
        points[0].y < height_) {
        cairo_surface_flush(surface_);
        row(points[0].y)[points[0].x] = w;
        touched();
    }
}

void TSurface::copyKeyed(const TSurface& source, TRect src, int x, int y) {
    bool mirrored = src.left > src.right;
    int w = mirrored ? src.left - src.right : src.right - src.left;
    int h = src.bottom - src.top;
    if (w <= 0 || h <= 0) return;
    cairo_surface_flush(source.surface_);
    cairo_surface_flush(surface_);
    bool keyed = source.key_ != kNoKey;
    uint32_t key = uint32_t(source.key_) & 0xFFFFFF;
    // Destination columns i in [i0, i1) and rows j in [j0, j1) that land on
    // both surfaces.
    for (int j = 0; j < h; ++j) {
        int sy = src.top + j, dy = y + j;
        if (sy < 0 || sy >= source.height_ || dy < 0 || dy >= height_) continue;
        const uint32_t* in = source.row(sy);
        uint32_t* out = row(dy);
        for (int i = 0; i < w; ++i) {
            int sx = mirrored ? source.width_ - 1 - src.right - i : src.left + i;
            int dx = x + i;
            if (sx < 0 || sx >= source.width_ || dx < 0 || dx >= width_) continue;
            uint32_t p = in[sx];
            if (keyed && (p & 0xFFFFFF) == key) continue;
            out[dx] = p | 0xFF000000u;
        }
    }
    touched();
}

void TSurface::copyPlain(const TSurface& source, TRect src, int x, int y) {
    int64_t key = source.key_;
    const_cast<TSurface&>(source).key_ = kNoKey;
    copyKeyed(source, src, x, y);
    const_cast<TSurface&>(source).key_ = key;
}

cairo_surface_t* TSurface::keyedCopy() const {
    if (keyedStamp_ != stamp_) {
        for (auto& [k, copy] : keyed_)
            cairo_surface_destroy(copy);
        keyed_.clear();
        keyedStamp_ = stamp_;
    }
    auto found = keyed_.find(key_);
    if (found != keyed_.end()) return found->second;
    cairo_surface_flush(surface_);
    cairo_surface_t* copy = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width_, height_);
    uint8_t* data = cairo_image_surface_get_data(copy);
    int stride = cairo_image_surface_get_stride(copy);
    uint32_t key = uint32_t(key_) & 0xFFFFFF;
    for (int y = 0; y < height_; ++y) {
        const uint32_t* in = row(y);
        auto* out = reinterpret_cast<uint32_t*>(data + size_t(y) * stride);
        for (int x = 0; x < width_; ++x) {
            uint32_t p = in[x] & 0xFFFFFF;
            out[x] = key_ != kNoKey && p == key ? 0u : (p | 0xFF000000u);
        }
    }
    cairo_surface_mark_dirty(copy);
    keyed_[key_] = copy;
    return copy;
}

void TSurface::copyRotated(const TSurface& source, TRect src, int cx, int cy, int dstWidth,
                           int dstHeight, int steps, int alpha) {
    int sw = src.right - src.left, sh = src.bottom - src.top;
    if (sw <= 0 || sh <= 0 || dstWidth == 0 || dstHeight == 0 || alpha <= 0) return;
    cairo_surface_t* keyed = source.keyedCopy();
    cairo_surface_t* cell = cairo_surface_create_for_rectangle(keyed, src.left, src.top, sw, sh);
    cairo_t* cr = cairo_create(surface_);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    cairo_translate(cr, cx, cy);
    cairo_rotate(cr, steps * 2.0 * M_PI / 256.0);
    cairo_scale(cr, double(dstWidth) / sw, double(dstHeight) / sh);
    cairo_translate(cr, -sw / 2.0, -sh / 2.0);
    cairo_set_source_surface(cr, cell, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_NONE);
    if (alpha >= 255)
        cairo_paint(cr);
    else
        cairo_paint_with_alpha(cr, alpha / 255.0);
    cairo_destroy(cr);
    cairo_surface_destroy(cell);
    changed();
}

bool TSurface::savePng(const std::string& hostPath) const {
    cairo_surface_flush(surface_);
    return cairo_surface_write_to_png(surface_, hostPath.c_str()) == CAIRO_STATUS_SUCCESS;
}

} // namespace ravok
