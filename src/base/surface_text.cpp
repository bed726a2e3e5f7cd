// Text on surfaces through pango, with the common Windows font names of games
// mapped to the IPA fonts by fontconfig aliases, so Japanese text and the
// fonts games ask for by name come out. Sizes are points at 96 dpi, as games
// expect; glyphs are not antialiased.
#include "base/surface.h"

#include "base/encoding.h"
#include "base/pixel_blend.h"

#include <algorithm>
#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>
#include <pango/pangofc-fontmap.h>

#include <map>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace ravok {

namespace {

const char* const kAliases = R"(<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig>
  <alias binding="same"><family>MS Gothic</family><prefer><family>IPAGothic</family></prefer></alias>
  <alias binding="same"><family>ＭＳ ゴシック</family><prefer><family>IPAGothic</family></prefer></alias>
  <alias binding="same"><family>MS PGothic</family><prefer><family>IPAPGothic</family></prefer></alias>
  <alias binding="same"><family>ＭＳ Ｐゴシック</family><prefer><family>IPAPGothic</family></prefer></alias>
  <alias binding="same"><family>MS UI Gothic</family><prefer><family>IPAPGothic</family></prefer></alias>
  <alias binding="same"><family>MS Mincho</family><prefer><family>IPAMincho</family></prefer></alias>
  <alias binding="same"><family>ＭＳ 明朝</family><prefer><family>IPAMincho</family></prefer></alias>
  <alias binding="same"><family>MS PMincho</family><prefer><family>IPAPMincho</family></prefer></alias>
  <alias binding="same"><family>ＭＳ Ｐ明朝</family><prefer><family>IPAPMincho</family></prefer></alias>
  <alias binding="same"><family>MS Sans Serif</family><prefer><family>IPAPGothic</family></prefer></alias>
  <alias binding="same"><family>Tahoma</family><prefer><family>IPAPGothic</family></prefer></alias>
</fontconfig>
)";

constexpr const char* kDefaultFont = "IPAGothic";

PangoFontMap* fontMap() {
    static PangoFontMap* map = [] {
        FcConfig* config = FcConfigGetCurrent();
        FcConfigParseAndLoadFromMemory(config, reinterpret_cast<const FcChar8*>(kAliases), FcTrue);
        PangoFontMap* m = pango_cairo_font_map_new();
        pango_fc_font_map_set_config(PANGO_FC_FONT_MAP(m), config);
        pango_fc_font_map_config_changed(PANGO_FC_FONT_MAP(m));
        pango_cairo_font_map_set_resolution(PANGO_CAIRO_FONT_MAP(m), 96.0);
        return m;
    }();
    return map;
}

// The helper thread of prepareText(), joined at exit.
struct TTextWarmUp {
    std::thread thread;
    ~TTextWarmUp() {
        if (thread.joinable()) thread.join();
    }
};

} // namespace

void TSurface::prepareText() {
    static TTextWarmUp warmUp;
    if (!warmUp.thread.joinable()) warmUp.thread = std::thread([] { fontMap(); });
}

namespace {

// A layout of the text in the font, on a context without antialiasing.
PangoLayout* layoutFor(cairo_t* cr, std::string_view text, std::string_view font, int size,
                       uint32_t style) {
    PangoContext* context = pango_font_map_create_context(fontMap());
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_NONE);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_FULL);
    pango_cairo_context_set_font_options(context, options);
    cairo_font_options_destroy(options);
    if (cr) pango_cairo_update_context(cr, context);
    PangoLayout* layout = pango_layout_new(context);
    g_object_unref(context);
    PangoFontDescription* d = pango_font_description_new();
    std::string family = font.empty() ? std::string(kDefaultFont) : cp932ToUtf8(font);
    pango_font_description_set_family(d, family.c_str());
    // A size past any screen's height is drawn at the largest that makes
    // sense: the font library fails to make faces of a million points, and
    // each glyph's mask would take gigabytes long before that.
    constexpr int kLargestSize = 4096;
    pango_font_description_set_size(d, std::clamp(size, 1, kLargestSize) * PANGO_SCALE);
    pango_font_description_set_weight(d,
                                      style & kFontBold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_style(d,
                                     style & kFontItalic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    pango_layout_set_font_description(layout, d);
    pango_font_description_free(d);
    if (style & kFontUnderline) {
        PangoAttrList* attrs = pango_attr_list_new();
        pango_attr_list_insert(attrs, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
        pango_layout_set_attributes(layout, attrs);
        pango_attr_list_unref(attrs);
    }
    std::string utf8 = cp932ToUtf8(text);
    pango_layout_set_text(layout, utf8.data(), int(utf8.size()));
    return layout;
}

// Laying text out and rendering it cost far more than copying it, and games
// draw the same texts frame after frame: the layouts of recent texts are
// kept, each with its glyphs rendered once as a coverage mask, so drawing a
// known text touches neither the heap nor the font machinery.
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

struct TCachedText {
    PangoLayout* layout = nullptr;
    bool rendered = false;
    TTextMask mask;
};

// The glyphs rendered in white on black with the layout's own settings;
// the box has a margin, as hinting may set pixels just outside the ink.
TTextMask renderMask(PangoLayout* layout) {
    PangoRectangle ink, logical;
    pango_layout_get_pixel_extents(layout, &ink, &logical);
    constexpr int kMargin = 2;
    int left = std::min(ink.x, logical.x) - kMargin, top = std::min(ink.y, logical.y) - kMargin;
    int right = std::max(ink.x + ink.width, logical.x + logical.width) + kMargin;
    int bottom = std::max(ink.y + ink.height, logical.y + logical.height) + kMargin;
    TTextMask m;
    m.left = left, m.top = top;
    m.width = std::clamp(right - left, 0, 16384), m.height = std::clamp(bottom - top, 0, 16384);
    if (m.width == 0 || m.height == 0) return m;
    cairo_surface_t* target = cairo_image_surface_create(CAIRO_FORMAT_A8, m.width, m.height);
    if (cairo_surface_status(target) == CAIRO_STATUS_SUCCESS) {
        cairo_t* cr = cairo_create(target);
        cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_move_to(cr, -left, -top);
        pango_cairo_show_layout(cr, layout);
        cairo_destroy(cr);
        cairo_surface_flush(target);
        const uint8_t* data = cairo_image_surface_get_data(target);
        int stride = cairo_image_surface_get_stride(target);
        m.coverage.resize(size_t(m.width) * size_t(m.height));
        for (int y = 0; y < m.height; ++y)
            std::copy_n(data + size_t(y) * stride, m.width,
                        m.coverage.begin() + size_t(y) * m.width);
    } else {
        m.width = m.height = 0;
    }
    cairo_surface_destroy(target);
    return m;
}

class TTextCache {
public:
    ~TTextCache() { clear(); }
    TCachedText& get(std::string_view text, std::string_view font, int size, uint32_t style) {
        auto found = texts_.find(TTextKeyView{text, font, size, style});
        if (found != texts_.end()) return found->second;
        if (texts_.size() >= kMaxTexts) clear();
        TCachedText entry;
        entry.layout = layoutFor(nullptr, text, font, size, style);
        return texts_
            .emplace(TTextKey{std::string(text), std::string(font), size, style}, std::move(entry))
            .first->second;
    }
    const TTextMask& mask(TCachedText& entry) {
        if (!entry.rendered) {
            entry.mask = renderMask(entry.layout);
            entry.rendered = true;
        }
        return entry.mask;
    }

private:
    void clear() {
        for (auto& [key, entry] : texts_)
            g_object_unref(entry.layout);
        texts_.clear();
    }
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
    TTextCache& cache = textCache();
    const TTextMask& m = cache.mask(cache.get(text, font, size, style));
    // In 64 bits: a script may place text at the ends of the integers.
    int64_t x0 = int64_t(x) + m.left, y0 = int64_t(y) + m.top;
    int64_t i0 = std::max<int64_t>(0, clipLeft_ - x0),
            i1 = std::min<int64_t>(m.width, clipRight_ - x0);
    int64_t j0 = std::max<int64_t>(0, clipTop_ - y0),
            j1 = std::min<int64_t>(m.height, clipBottom_ - y0);
    if (i0 >= i1 || j0 >= j1) return;
    beginDirect();
    uint32_t raw = rawFromColour(colour) | 0xFF000000u;
    for (int64_t j = j0; j < j1; ++j) {
        const uint8_t* cover = m.coverage.data() + size_t(j) * m.width;
        uint32_t* out = row(int(y0 + j)) + x0;
        for (int64_t i = i0; i < i1; ++i) {
            if (cover[i] == 0) continue;
            out[i] = cover[i] == 255 ? raw : blendOver(raw, out[i], cover[i]);
        }
    }
    touched();
}

TPoint TSurface::textExtent(std::string_view text, std::string_view font, int size,
                            uint32_t style) {
    if (text.empty()) return {0, 0};
    int w = 0, h = 0;
    pango_layout_get_pixel_size(textCache().get(text, font, size, style).layout, &w, &h);
    return {w, h};
}

} // namespace ravok
