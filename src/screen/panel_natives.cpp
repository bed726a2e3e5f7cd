#include "screen/panel_natives.h"

#include "screen/panel.h"
#include "screen/screen.h"
#include "screen/sprites.h"

#include "base/reporter.h"
#include "resources/host_files.h"
#include "resources/sandbox.h"
#include "resources/sandbox_files.h"
#include "runtime/messages.h"
#include "runtime/native_api.h"
#include "runtime/paths.h"
#include "runtime/rtti.h"
#include "runtime/symbols.h"
#include "runtime/value_ops.h"

#include <algorithm>

namespace ravok {

namespace {

using native::argument;

int32_t intArg(TValue* cell, int i) { return toInt(argument(cell, i)); }

// A position or size of a picture a panel copies: any value a script gives,
// held to sixteen million pixels either way. That is far past any surface,
// so the picture lands exactly where it would, and every sum of positions
// and sizes the drawing makes stays within the integers.
constexpr int32_t kFar = 1 << 24;
int32_t placeArg(TValue* cell, int i, int32_t less = 0) {
    return int32_t(std::clamp<int64_t>(int64_t(intArg(cell, i)) - less, -kFar, kFar));
}
uint32_t colourArg(TValue* cell, int i) { return uint32_t(intArg(cell, i)) & 0xFFFFFF; }

// The panel named by argument 1, or nullptr: every native of an invalid
// handle does nothing.
TPanel* panelArg(TValue* cell, int i = 1) { return findPanel(argument(cell, i)); }

void returnPanel(TValue* cell, TPanel* panel) {
    if (panel)
        setNative(*cell, panel->hostId());
    else
        setInt(*cell, 0);
}

// The owner of the map sprites a panel records: its object's `target`.
uint32_t targetOf(TValue* cell) {
    static const uint32_t symTarget = intern("target");
    TfObject* self = native::instance(native::receiver(cell));
    TRTTI* cls = self ? classById(self->classId) : nullptr;
    if (!cls) return 0;
    int32_t field = cls->fields.indexOf(symTarget);
    if (field < 0 || field >= cls->laidOutFields()) return 0;
    const TValue& target = self->field(field);
    return target.kind == vtObject ? target.u : 0;
}

// Why a panel of that size was not made: its size, or the memory.
void reportRefusedPanel(int64_t width, int64_t height) {
    const char* why = width < 0 || height < 0 ? ": a panel cannot have a negative size." // message
                      : !panelSizeAllowed(width, height)
                          ? ": the panel is too large."                    // message
                          : ": there is not enough memory for the panel."; // message
    ReportError(std::to_string(width) + "x" + std::to_string(height) + translate(why));
}

// The panel, or nullptr after saying why not.
TPanel* makePanel(int64_t width, int64_t height) {
    TPanel* panel =
        panelSizeAllowed(width, height) ? createPanel(int(width), int(height)) : nullptr;
    if (!panel) reportRefusedPanel(width, height);
    return panel;
}

void _n_init(TValue* cell, int argc, int) {
    if (argc < 2) return;
    auto missing = [&](int i) {
        auto k = argument(cell, i).kind;
        return k == vtNull || k == vtUnset;
    };
    if (missing(1) || missing(2)) {
        ReportProblemOnce("Panel.init", translate("A panel needs a width and a height, as in new "
                                                  "Panel(320, 240); none was made."));
        setInt(*cell, 0);
        return;
    }
    returnPanel(cell, makePanel(intArg(cell, 1), intArg(cell, 2)));
}

void _n_free(TValue* cell, int argc, int) {
    if (argc < 1) return;
    freePanel(panelArg(cell));
}

void _n_resize(TValue* cell, int argc, int) {
    if (argc < 3) return;
    TPanel* panel = panelArg(cell);
    if (!panel) {
        assign(*cell, &argument(cell, 1)); // nothing to grow: the handle stays what it was
        return;
    }
    TSurface& old = panel->surface();
    int32_t w = intArg(cell, 2), h = intArg(cell, 3);
    if (old.width() >= w && old.height() >= h) {
        returnPanel(cell, panel);
        return;
    }
    // Each side grows to a multiple of 32 beyond what was asked; a side that
    // already covers its part is kept, so no pixel of the panel is lost.
    int64_t nw = grownPanelSide(old.width(), w), nh = grownPanelSide(old.height(), h);
    TPanel* grown = makePanel(nw, nh);
    if (!grown) {
        returnPanel(cell, panel);
        return;
    }
    grown->surface().copyPlain(old, {0, 0, old.width(), old.height()}, 0, 0);
    freePanel(panel);
    returnPanel(cell, grown);
}

// A handle that finds no panel measures 0 and reads the invalid colour, so
// that a script asking about a freed panel gets numbers, not its own object.
void _n_regetWidth(TValue* cell, int argc, int) {
    if (argc < 1) return;
    TPanel* panel = panelArg(cell);
    setInt(*cell, panel ? panel->surface().width() : 0);
}

void _n_regetHeight(TValue* cell, int argc, int) {
    if (argc < 1) return;
    TPanel* panel = panelArg(cell);
    setInt(*cell, panel ? panel->surface().height() : 0);
}

void _n_setTransparentColor(TValue* cell, int argc, int) {
    if (argc < 2) return;
    if (TPanel* panel = panelArg(cell)) panel->surface().setKey(rawFromColour(colourArg(cell, 2)));
}

void _n_getPixel(TValue* cell, int argc, int) {
    if (argc < 3) return;
    TPanel* panel = panelArg(cell);
    int32_t x = intArg(cell, 2), y = intArg(cell, 3);
    // Outside the surface: the drawing layer's invalid colour, all bits set.
    bool inside =
        panel && x >= 0 && y >= 0 && x < panel->surface().width() && y < panel->surface().height();
    setInt(*cell, inside ? int32_t(panel->surface().pixel(x, y)) : -1);
}

// Drawing goes through a sprite record of depth 0 without an owner, drawn
// at once, so a panel follows exactly the rules the screen's sprites do.
template <class T> void drawNow(TPanel& panel, T& sprite) { sprite.Draw(panel.surface()); }

void _n_drawSprite(TValue* cell, int argc, int) {
    if (argc < 4) return;
    TPanel* panel = panelArg(cell);
    if (!panel) return;
    TGrpSprite s;
    s.x = intArg(cell, 2);
    s.y = intArg(cell, 3);
    s.pattern = intArg(cell, 4);
    s.flipped = argc >= 5 && truthiness(argument(cell, 5));
    drawNow(*panel, s);
}

void _n_drawDxSprite(TValue* cell, int argc, int) {
    if (argc < 4) return;
    TPanel* panel = panelArg(cell);
    if (!panel) return;
    TDxGrpSprite s;
    s.x = intArg(cell, 2);
    s.y = intArg(cell, 3);
    s.pattern = intArg(cell, 4);
    s.flipped = argc >= 5 && truthiness(argument(cell, 5));
    s.angle = argc >= 6 ? intArg(cell, 6) : 0;
    s.alpha = 255;
    auto present = [&](int i) { return argc >= i && argument(cell, i).kind != vtNull; };
    s.scaleX = present(7) ? toFloat(argument(cell, 7)) : 1.0L;
    s.scaleY = present(8) ? toFloat(argument(cell, 8)) : s.scaleX;
    drawNow(*panel, s);
}

template <class T> void lineOrRect(TValue* cell, int argc) {
    if (argc < 6) return;
    TPanel* panel = panelArg(cell);
    if (!panel) return;
    T s;
    s.x = intArg(cell, 2);
    s.y = intArg(cell, 3);
    s.x2 = intArg(cell, 4);
    s.y2 = intArg(cell, 5);
    s.colour = colourArg(cell, 6);
    drawNow(*panel, s);
}
void _n_drawLine(TValue* cell, int argc, int) { lineOrRect<TLineSprite>(cell, argc); }
void _n_fillRect(TValue* cell, int argc, int) { lineOrRect<TRectSprite>(cell, argc); }

void _n_fillPolygon(TValue* cell, int argc, int) {
    if (argc < 5) return;
    TPanel* panel = panelArg(cell);
    if (!panel) return;
    const TDrawingState& d = drawingState();
    TPolygonSprite s;
    s.x = TDrawingState::adjusted(intArg(cell, 2), d.SpriteAdjustX);
    s.y = TDrawingState::adjusted(intArg(cell, 3), d.SpriteAdjustY);
    int32_t count = std::min(intArg(cell, 4), 99);
    s.colour = colourArg(cell, 5);
    for (int32_t i = 0; i < count; ++i) {
        TPoint p = d.PolygonPoints[size_t(i)];
        s.points.push_back(
            {int32_t(uint32_t(s.x) + uint32_t(p.x)), int32_t(uint32_t(s.y) + uint32_t(p.y))});
    }
    drawNow(*panel, s);
}

void _n_drawText(TValue* cell, int argc, int) {
    if (argc < 6) return;
    TPanel* panel = panelArg(cell);
    if (!panel) return;
    TTxtSprite s;
    s.x = intArg(cell, 2);
    s.y = intArg(cell, 3);
    std::string text = native::text(argument(cell, 4));
    s.text = text;
    s.colour = colourArg(cell, 5);
    s.fontSize = intArg(cell, 6);
    s.fontName = drawingState().CurrentFontName;
    s.fontStyle = drawingState().CurrentFontStyle;
    drawNow(*panel, s);
}

void _n_copyRect(TValue* cell, int argc, int) {
    if (argc < 10) return;
    TPanel* to = panelArg(cell, 1);
    TPanel* from = panelArg(cell, 6);
    if (!to || !from) return;
    TRect dst{intArg(cell, 2), intArg(cell, 3), intArg(cell, 4), intArg(cell, 5)};
    TRect src{intArg(cell, 7), intArg(cell, 8), intArg(cell, 9), intArg(cell, 10)};
    to->surface().copyScaled(from->surface(), src, dst);
    setInt(*cell, 1);
}

void _n_draw(TValue* cell, int argc, int) {
    if (argc < 12) return;
    TPanel* panel = panelArg(cell);
    if (!panel) return;
    // Recorded on every call, drawing frame or not: the list is emptied at
    // the start of the drawing frame, so only that frame's calls are shown.
    TMapSprite& s = screen().Sprites.make<TMapSprite>();
    s.owner = targetOf(cell);
    s.x = placeArg(cell, 2, drawingState().SpriteAdjustX);
    s.y = placeArg(cell, 3, drawingState().SpriteAdjustY);
    s.source = panel->shared();
    s.sourceWidth = placeArg(cell, 4);
    s.sourceHeight = placeArg(cell, 5);
    s.scrollX = placeArg(cell, 6);
    s.scrollY = placeArg(cell, 7);
    s.width = placeArg(cell, 8);
    s.height = placeArg(cell, 9);
    s.zOrder = intArg(cell, 10);
    s.alpha = intArg(cell, 11);
    s.angle = intArg(cell, 12);
    s.rotating = argc >= 13 && truthiness(argument(cell, 13));
}

void _n_save(TValue* cell, int argc, int) {
    if (argc < 6) return;
    TPanel* panel = panelArg(cell);
    std::string path = panel ? panelFilePath(native::text(argument(cell, 2))) : std::string();
    TRect r{intArg(cell, 3), intArg(cell, 4), intArg(cell, 5), intArg(cell, 6)};
    bool ok = !path.empty() &&
              panelSizeAllowed(int64_t(r.right) - r.left, int64_t(r.bottom) - r.top) &&
              writeSandboxFile(path, panel->surface().encodeBmp(r));
    setInt(*cell, ok ? 1 : 0);
}

void _n_load(TValue* cell, int argc, int) {
    if (argc < 2) return;
    std::string path = panelFilePath(native::text(argument(cell, 2)));
    std::string bytes;
    if (path.empty() || !readSandboxFile(path, bytes, kMaxImageFileBytes)) {
        setInt(*cell, 0);
        return;
    }
    // PNG or BMP, told apart by the file's bytes rather than its name, so a
    // picture saved under any name loads back.
    std::string error;
    std::unique_ptr<TSurface> image = TSurface::decode(bytes, &error);
    if (!image) {
        // A picture past the budget is a surprise worth a word; a file that
        // is no picture is the script's to notice from the result.
        if (error == kImageTooLarge) ReportError(path + ": " + translate(error));
        setInt(*cell, 0);
        return;
    }
    freePanel(panelArg(cell));
    returnPanel(cell, adoptPanel(std::move(image)));
}

} // namespace

const std::vector<TNativeBinding>& panelNatives() {
    static const std::vector<TNativeBinding> list = {
        {"Panel", "_n_init", _n_init},
        {"Panel", "_n_free", _n_free},
        {"Panel", "_n_resize", _n_resize},
        {"Panel", "_n_regetWidth", _n_regetWidth},
        {"Panel", "_n_regetHeight", _n_regetHeight},
        {"Panel", "_n_setTransparentColor", _n_setTransparentColor},
        {"Panel", "_n_getPixel", _n_getPixel},
        {"Panel", "_n_drawSprite", _n_drawSprite},
        {"Panel", "_n_drawDxSprite", _n_drawDxSprite},
        {"Panel", "_n_drawLine", _n_drawLine},
        {"Panel", "_n_fillRect", _n_fillRect},
        {"Panel", "_n_fillPolygon", _n_fillPolygon},
        {"Panel", "_n_drawText", _n_drawText},
        {"Panel", "_n_copyRect", _n_copyRect},
        {"Panel", "_n_draw", _n_draw},
        {"Panel", "_n_save", _n_save},
        {"Panel", "_n_load", _n_load},
    };
    return list;
}

} // namespace ravok
