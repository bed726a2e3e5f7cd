#include "screen/sprites.h"

#include "screen/patterns.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <system_error>
#include <thread>

namespace ravok {

TDrawingState& drawingState() {
    static TDrawingState state;
    return state;
}

int angleSteps(int64_t degrees) {
    int64_t a = degrees >= 0 ? degrees % 360 : (360 - (-degrees) % 360) % 360;
    return int(a * 256 / 360);
}

namespace {
long double truncTowardZero(long double v) { return std::trunc(v); }
} // namespace

void TGrpSprite::Draw(TSurface& surface) {
    // The cell's key goes with the copy instead of being set on the image, so
    // that two threads can draw cells of one image at once.
    TPatRects* set = nullptr;
    const TPatElem* c = patternList().cell(pattern, &set);
    if (!c || !set->surface) return;
    int w = c->width(), h = c->height();
    TRect src{c->left, c->top, c->right, c->bottom};
    if (flipped) {
        int iw = set->surface->width();
        src = {iw - c->left, c->top, iw - c->right, c->bottom};
    }
    surface.copyKeyedWith(*set->surface, src, x - w / 2, y - h / 2, c->key);
}

namespace {

// Bounds worked out in 64 bits, for sprites a script placed anywhere, then
// held to the integers: a hit test only needs to know they miss.
TRect boundsOf(int64_t left, int64_t top, int64_t right, int64_t bottom) {
    auto held = [](int64_t v) { return int(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); };
    return {held(left), held(top), held(right), held(bottom)};
}

// A scaled side, held to what a 64-bit sum of positions can take.
int64_t toSide(long double side) {
    return int64_t(std::clamp<long double>(side, -(1LL << 40), 1LL << 40));
}

} // namespace

TRect TGrpSprite::Bounds(TSurface&) {
    const TPatElem* c = patternList().cell(pattern);
    if (!c) return boundsOf(x, y, int64_t(x) + 1, int64_t(y) + 1);
    int64_t w = c->width(), h = c->height();
    int64_t left = x - w / 2, top = y - h / 2;
    return boundsOf(left, top, left + w, top + h);
}

void TDxGrpSprite::Draw(TSurface& surface) {
    // The key goes with the copy, as for TGrpSprite.
    TPatRects* set = nullptr;
    const TPatElem* c = patternList().cell(pattern, &set);
    if (!c || !set->surface) return;
    int sw = flipped ? -c->width() : c->width();
    int dw = int(truncTowardZero(sw * scaleX + 0.5L));
    int dh = int(truncTowardZero(c->height() * scaleY + 0.5L));
    surface.copyRotatedWith(*set->surface, {c->left, c->top, c->right, c->bottom}, x, y, dw, dh,
                            angleSteps(angle), alpha, c->key);
}

TRect TDxGrpSprite::Bounds(TSurface&) {
    const TPatElem* c = patternList().cell(pattern);
    if (!c) return boundsOf(x, y, int64_t(x) + 1, int64_t(y) + 1);
    int64_t w = toSide(truncTowardZero(c->width() * scaleX));
    int64_t h = toSide(truncTowardZero(c->height() * scaleY));
    int64_t left = x - w / 2, top = y - h / 2;
    return boundsOf(left, top, left + w, top + h);
}

void TTxtSprite::Draw(TSurface& surface) {
    surface.text(x, y, text, fontName, fontSize, fontStyle, colour);
}

TRect TTxtSprite::Bounds(TSurface& surface) {
    TPoint e = surface.textExtent(text, fontName, fontSize, fontStyle);
    return boundsOf(x, y, int64_t(x) + e.x, int64_t(y) + e.y);
}

void TLineSprite::Draw(TSurface& surface) { surface.line(x, y, x2, y2, colour); }

TRect TLineSprite::Bounds(TSurface&) {
    return {std::min(x, x2), std::min(y, y2), std::max(x, x2), std::max(y, y2)};
}

void TRectSprite::Draw(TSurface& surface) { surface.fillRect({x, y, x2, y2}, colour); }

void TPolygonSprite::Draw(TSurface& surface) { surface.polygon(points, colour); }

TRect TPolygonSprite::Bounds(TSurface&) {
    return boundsOf(int64_t(x) - 10, int64_t(y) - 10, int64_t(x) + 10, int64_t(y) + 10);
}

void TMapSprite::Draw(TSurface& surface) {
    if (!source) return;
    auto piece = [&](int sx, int sy, int w, int h, int dx, int dy) {
        if (w <= 0 || h <= 0) return;
        surface.copyBlended(*source, {sx, sy, sx + w, sy + h}, dx, dy, alpha);
    };
    if (rotating) {
        surface.copyRotated(*source, {0, 0, sourceWidth, sourceHeight}, x, y, width, height,
                            angleSteps(angle), alpha);
        return;
    }
    int cw = std::min(width, sourceWidth - scrollX), ch = std::min(height, sourceHeight - scrollY);
    piece(scrollX, scrollY, cw, ch, x, y);
    if (ch < height) piece(scrollX, 0, cw, height - ch, x, y + ch);
    if (cw < width) piece(0, scrollY, width - cw, ch, x + cw, y);
    if (ch < height && cw < width) piece(0, 0, width - cw, height - ch, x + cw, y + ch);
}

TRect TMapSprite::Bounds(TSurface&) {
    if (rotating) return {x - width / 2, y - height / 2, x + width / 2, y + height / 2};
    return {x, y, x + width, y + height};
}

namespace {
constexpr size_t kBlockSize = 64 * 1024;
}

void* TSpriteList::allocate(size_t size, size_t align) {
    for (;;) {
        if (block_ < blocks_.size()) {
            size_t at = (used_ + align - 1) / align * align;
            if (at + size <= kBlockSize) {
                used_ = at + size;
                return blocks_[block_].get() + at;
            }
            ++block_;
            used_ = 0;
            continue;
        }
        blocks_.push_back(std::make_unique<std::byte[]>(kBlockSize));
    }
}

std::string_view TSpriteList::keep(std::string_view text) {
    if (text.empty()) return {};
    if (text.size() > kBlockSize / 4) return longTexts_.emplace_back(text);
    auto* bytes = static_cast<char*>(allocate(text.size(), 1));
    std::copy(text.begin(), text.end(), bytes);
    return {bytes, text.size()};
}

void TSpriteList::clear() {
    while (!sprites_.empty()) {
        TEntry e = sprites_.back();
        sprites_.pop_back();
        if (e.owned)
            delete e.sprite;
        else
            e.sprite->~TfSprite();
    }
    longTexts_.clear();
    block_ = 0;
    used_ = 0;
    sorted_ = false;
}

void TSpriteList::sort() {
    if (sorted_) return;
    sorted_ = true;
    // Stable: sprites of one depth are drawn in the order they were made,
    // the later over the earlier, on every platform's C++ library.
    std::stable_sort(sprites_.begin(), sprites_.end(), [](const TEntry& a, const TEntry& b) {
        return a.sprite->zOrder > b.sprite->zOrder;
    });
}

void TSpriteList::drawAll(TSurface& surface) {
    sort();
    // A crowd of sprites that only copy cells and fill shapes is drawn by two
    // threads, each into its half of the surface; every pixel still sees the
    // sprites in the same order, so the picture is the same.
    constexpr size_t kParallelFrom = 2048;
    bool parallel = sprites_.size() >= kParallelFrom && surface.height() >= 64 &&
                    patternList().setCount() <= 200 &&
                    std::all_of(sprites_.begin(), sprites_.end(),
                                [](const TEntry& e) { return e.sprite->drawsDirectly(); });
    if (!parallel) {
        for (const TEntry& e : sprites_)
            e.sprite->Draw(surface);
        return;
    }
    int middle = surface.height() / 2;
    auto top = surface.band(0, middle), bottom = surface.band(middle, surface.height());
    auto drawBottom = [&] {
        for (const TEntry& e : sprites_)
            e.sprite->Draw(*bottom);
    };
    // A platform without threads (a browser page without them), or a host
    // out of them, draws the halves one after the other: the same picture.
    std::thread helper;
    try {
        helper = std::thread(drawBottom);
    } catch (const std::system_error&) {
        drawBottom();
    }
    for (const TEntry& e : sprites_)
        e.sprite->Draw(*top);
    if (helper.joinable()) helper.join();
}

std::vector<uint32_t> TSpriteList::HitTest(TSurface& surface, const TRect& r) {
    std::vector<uint32_t> owners;
    // Centres and half sides in 64 bits: bounds may span the integers.
    auto half = [](int from, int to) { return (int64_t(to) - from) / 2; };
    int64_t hw1 = half(r.left, r.right), hh1 = half(r.top, r.bottom);
    int64_t cx1 = r.left + hw1, cy1 = r.top + hh1;
    for (const TEntry& e : sprites_) {
        TfSprite* s = e.sprite;
        TRect b = s->Bounds(surface);
        int64_t hw2 = half(b.left, b.right), hh2 = half(b.top, b.bottom);
        int64_t cx2 = b.left + hw2, cy2 = b.top + hh2;
        if (std::llabs(cx1 - cx2) < hw1 + hw2 && std::llabs(cy1 - cy2) < hh1 + hh2 && s->owner &&
            std::find(owners.begin(), owners.end(), s->owner) == owners.end())
            owners.push_back(s->owner);
    }
    return owners;
}

} // namespace ravok
