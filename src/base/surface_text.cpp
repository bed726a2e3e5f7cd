// Text on surfaces through pango, with the common Windows font names of games
// mapped to the IPA fonts by fontconfig aliases, so Japanese text and the
// fonts games ask for by name come out. Sizes are points at 96 dpi, as games
// expect; glyphs are not antialiased.
#include "base/surface.h"

#include "base/encoding.h"

#include <algorithm>
#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>
#include <pango/pangofc-fontmap.h>

#include <map>
#include <thread>
#include <tuple>

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
PangoLayout* layoutFor(cairo_t* cr, std::string_view text, const std::string& font, int size,
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
    // Pango keeps sizes in 1/1024 points in an int: a size beyond what it can
    // hold is drawn at the largest it can.
    constexpr int kLargestSize = 1 << 20;
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

// Laying text out costs far more than drawing it, and games draw the same
// texts frame after frame: the layouts of recent texts are kept.
class TLayoutCache {
public:
    ~TLayoutCache() {
        for (auto& [key, layout] : layouts_)
            g_object_unref(layout);
    }
    PangoLayout* get(std::string_view text, const std::string& font, int size, uint32_t style) {
        auto key = std::make_tuple(std::string(text), font, size, style);
        auto found = layouts_.find(key);
        if (found != layouts_.end()) return found->second;
        if (layouts_.size() >= kMaxLayouts) {
            for (auto& [k, layout] : layouts_)
                g_object_unref(layout);
            layouts_.clear();
        }
        PangoLayout* layout = layoutFor(nullptr, text, font, size, style);
        layouts_.emplace(std::move(key), layout);
        return layout;
    }

private:
    static constexpr size_t kMaxLayouts = 512;
    std::map<std::tuple<std::string, std::string, int, uint32_t>, PangoLayout*> layouts_;
};

TLayoutCache& layoutCache() {
    static auto* cache = new TLayoutCache();
    return *cache;
}

} // namespace

void TSurface::text(int x, int y, std::string_view text, const std::string& font, int size,
                    uint32_t style, uint32_t colour) {
    if (text.empty()) return;
    beginCairo();
    cairo_t* cr = cairo_create(surface_);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    PangoLayout* layout = layoutCache().get(text, font, size, style);
    cairo_set_source_rgb(cr, (colour & 0xFF) / 255.0, ((colour >> 8) & 0xFF) / 255.0,
                         ((colour >> 16) & 0xFF) / 255.0);
    cairo_move_to(cr, x, y);
    pango_cairo_show_layout(cr, layout);
    cairo_destroy(cr);
    endCairo();
}

TPoint TSurface::textExtent(std::string_view text, const std::string& font, int size,
                            uint32_t style) {
    if (text.empty()) return {0, 0};
    int w = 0, h = 0;
    pango_layout_get_pixel_size(layoutCache().get(text, font, size, style), &w, &h);
    return {w, h};
}

} // namespace ravok
