// Text on surfaces through FreeType: glyphs hinted and rendered in one bit
// (no antialiasing), laid out on a baseline one ascent below the point the
// text is drawn at, lines one font height apart. Sizes are points at 96 dpi,
// as games expect. Bold and italic are made from the regular face, as the
// IPA fonts have no others. Every platform's build draws the same pixels.
#include "base/surface.h"

#include "base/encoding.h"
#include "base/font_faces.h"
#include "base/pixel_blend.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_SYNTHESIS_H

#include <algorithm>
#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace ravok {

namespace {

// A size past any screen's height is drawn at the largest that makes sense:
// each glyph's bitmap would take gigabytes long before a million points.
constexpr int kLargestSize = 4096;

// What a rendered text is kept under.
struct TTextKey {
    std::string text, font;
    int size;
    uint32_t style;
};
struct TTextKeyView {
    std::string_view text, font;
    int size;
    uint32_t style;
};
struct TTextKeyOrder {
    using is_transparent = void;
    template <class A, class B> bool operator()(const A& a, const B& b) const {
        return fields(a) < fields(b);
    }
    template <class K>
    static std::tuple<int, uint32_t, std::string_view, std::string_view> fields(const K& k) {
        return {k.size, k.style, k.text, k.font};
    }
};

// A text's glyphs as coverage 0-255 over a box around its ink, the box's
// top-left corner relative to the point the text is drawn at.
struct TTextMask {
    int left = 0, top = 0, width = 0, height = 0;
    std::vector<uint8_t> coverage;
};

// A text laid out and rendered once: its coverage and its logical size.
struct TCachedText {
    TTextMask mask;
    int width = 0, height = 0;
};

// The laid-out text: each glyph's one-bit bitmap placed on the mask, the
// mask's box grown to hold them all and the underlines.
TCachedText layOut(std::string_view cp932, std::string_view font, int size, uint32_t style) {
    TCachedText out;
    FT_Face face = fontFace(cp932ToUtf8(font));
    if (!face) return out;
    if (FT_Set_Char_Size(face, 0, FT_F26Dot6(std::clamp(size, 1, kLargestSize)) * 64, 96, 96))
        return out;
    const FT_Size_Metrics& metrics = face->size->metrics;
    int ascent = int((metrics.ascender + 63) >> 6);
    int descent = int((-metrics.descender + 63) >> 6);
    int lineHeight = ascent + descent;
    // The underline's rows below the baseline: its thickness rounded to
    // whole pixels and its middle moved so that its edges fall on pixels.
    int underlineAt = 0, underlineThickness = 0;
    if (style & kFontUnderline) {
        FT_Pos thickness = FT_MulFix(face->underline_thickness, metrics.y_scale);
        FT_Pos position = FT_MulFix(face->underline_position, metrics.y_scale); // above: +
        int pixels = std::max(1, int((thickness + 32) / 64));
        FT_Pos centre = pixels & 1 ? ((position - thickness / 2) & ~FT_Pos(63)) + 32
                                   : (position - thickness / 2 + 32) & ~FT_Pos(63);
        underlineAt = -int((centre + 32 * pixels) / 64);
        underlineThickness = pixels;
    }
    struct TPlaced {
        int x, y, width, rows, pitch;
        std::vector<uint8_t> bits;
    };
    std::vector<TPlaced> glyphs;
    struct TRule {
        int x, y, width, height;
    };
    std::vector<TRule> rules;
    std::u32string text = utf8ToCodePoints(cp932ToUtf8(cp932));
    // Italic leans the upright glyphs a fifth of their height.
    FT_Matrix lean = {0x10000, style & kFontItalic ? FT_Fixed(0x3333) : 0, 0, 0x10000};
    FT_Set_Transform(face, &lean, nullptr);
    int line = 0, widest = 0;
    FT_Pos pen = 0; // 26.6 along the line
    FT_UInt spaceIndex = FT_Get_Char_Index(face, ' ');
    auto endLine = [&] {
        int width = int((pen + 32) >> 6);
        widest = std::max(widest, width);
        if (underlineThickness && width > 0)
            rules.push_back(
                {0, line * lineHeight + ascent + underlineAt, width, underlineThickness});
    };
    for (char32_t cp : text) {
        if (cp == '\r') continue;
        if (cp == '\n') {
            endLine();
            ++line, pen = 0;
            continue;
        }
        if (cp == '\t') {
            // Tab stops every eight spaces.
            FT_Pos stop = 8 * 64;
            if (!FT_Load_Glyph(face, spaceIndex, FT_LOAD_TARGET_MONO))
                stop = 8 * face->glyph->advance.x;
            if (stop > 0) pen = (pen / stop + 1) * stop;
            continue;
        }
        FT_UInt index = FT_Get_Char_Index(face, cp);
        if (FT_Load_Glyph(face, index, FT_LOAD_TARGET_MONO)) continue;
        FT_GlyphSlot slot = face->glyph;
        if ((style & kFontBold) && slot->format == FT_GLYPH_FORMAT_OUTLINE)
            FT_Outline_Embolden(&slot->outline,
                                FT_MulFix(face->units_per_EM, metrics.y_scale) / 24);
        if (FT_Render_Glyph(slot, FT_RENDER_MODE_MONO) == 0 && slot->bitmap.rows > 0 &&
            slot->bitmap.width > 0) {
            const FT_Bitmap& bm = slot->bitmap;
            TPlaced g{int((pen + 32) >> 6) + slot->bitmap_left,
                      line * lineHeight + ascent - slot->bitmap_top,
                      int(bm.width),
                      int(bm.rows),
                      std::abs(bm.pitch),
                      {}};
            g.bits.resize(size_t(g.pitch) * size_t(g.rows));
            for (int r = 0; r < g.rows; ++r) {
                const uint8_t* from = bm.pitch >= 0
                                          ? bm.buffer + size_t(r) * size_t(bm.pitch)
                                          : bm.buffer + size_t(bm.rows - 1 - r) * size_t(-bm.pitch);
                std::copy_n(from, g.pitch, g.bits.begin() + size_t(r) * size_t(g.pitch));
            }
            glyphs.push_back(std::move(g));
        }
        pen += slot->advance.x;
    }
    endLine();
    FT_Set_Transform(face, nullptr, nullptr);
    out.width = widest;
    out.height = (line + 1) * lineHeight;

    int left = 0, top = 0, right = 0, bottom = 0;
    bool any = false;
    auto grow = [&](int x, int y, int w, int h) {
        if (!any) left = x, top = y, right = x + w, bottom = y + h, any = true;
        left = std::min(left, x), top = std::min(top, y);
        right = std::max(right, x + w), bottom = std::max(bottom, y + h);
    };
    for (const TPlaced& g : glyphs)
        grow(g.x, g.y, g.width, g.rows);
    for (const TRule& r : rules)
        grow(r.x, r.y, r.width, r.height);
    TTextMask& m = out.mask;
    if (!any) return out;
    m.left = left, m.top = top;
    m.width = std::clamp(right - left, 0, 16384), m.height = std::clamp(bottom - top, 0, 16384);
    m.coverage.assign(size_t(m.width) * size_t(m.height), 0);
    auto set = [&](int x, int y) {
        x -= left, y -= top;
        if (x >= 0 && y >= 0 && x < m.width && y < m.height)
            m.coverage[size_t(y) * size_t(m.width) + size_t(x)] = 255;
    };
    for (const TPlaced& g : glyphs)
        for (int r = 0; r < g.rows; ++r)
            for (int c = 0; c < g.width; ++c)
                if (g.bits[size_t(r) * size_t(g.pitch) + size_t(c / 8)] & (0x80 >> (c % 8)))
                    set(g.x + c, g.y + r);
    for (const TRule& r : rules)
        for (int y = r.y; y < r.y + r.height; ++y)
            for (int x = r.x; x < r.x + r.width; ++x)
                set(x, y);
    return out;
}

// Laying text out and rendering it cost far more than copying it, and games
// draw the same texts frame after frame: recent texts are kept rendered, so
// drawing a known text touches neither the heap nor the font machinery.
class TTextCache {
public:
    const TCachedText& get(std::string_view text, std::string_view font, int size, uint32_t style) {
        auto found = texts_.find(TTextKeyView{text, font, size, style});
        if (found != texts_.end()) return found->second;
        if (texts_.size() >= kMaxTexts) texts_.clear();
        return texts_
            .emplace(TTextKey{std::string(text), std::string(font), size, style},
                     layOut(text, font, size, style))
            .first->second;
    }

private:
    static constexpr size_t kMaxTexts = 512;
    std::map<TTextKey, TCachedText, TTextKeyOrder> texts_;
};

TTextCache& textCache() {
    static auto* cache = new TTextCache();
    return *cache;
}

} // namespace

void TSurface::text(int x, int y, std::string_view text, std::string_view font, int size,
                    uint32_t style, uint32_t colour) {
    if (text.empty()) return;
    const TTextMask& m = textCache().get(text, font, size, style).mask;
    // In 64 bits: a script may place text at the ends of the integers.
    int64_t x0 = int64_t(x) + m.left, y0 = int64_t(y) + m.top;
    int64_t i0 = std::max<int64_t>(0, clipLeft_ - x0),
            i1 = std::min<int64_t>(m.width, clipRight_ - x0);
    int64_t j0 = std::max<int64_t>(0, clipTop_ - y0),
            j1 = std::min<int64_t>(m.height, clipBottom_ - y0);
    if (i0 >= i1 || j0 >= j1) return;
    uint32_t raw = rawFromColour(colour) | 0xFF000000u;
    for (int64_t j = j0; j < j1; ++j) {
        const uint8_t* cover = m.coverage.data() + size_t(j) * m.width;
        uint32_t* out = row(int(y0 + j)) + x0;
        for (int64_t i = i0; i < i1; ++i) {
            if (cover[i] == 0) continue;
            out[i] = cover[i] == 255 ? raw : blendOver(raw, out[i], cover[i]);
        }
    }
}

TPoint TSurface::textExtent(std::string_view text, std::string_view font, int size,
                            uint32_t style) {
    if (text.empty()) return {0, 0};
    const TCachedText& t = textCache().get(text, font, size, style);
    return {t.width, t.height};
}

} // namespace ravok
