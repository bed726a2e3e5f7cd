#include "screen/sprite_natives.h"

#include "screen/patterns.h"
#include "screen/screen.h"
#include "screen/sprites.h"

#include "runtime/native_api.h"
#include "runtime/value_ops.h"

#include "base/reporter.h"

namespace ravok {

namespace {

using native::argument;

int32_t arg(TValue* cell, int argc, int i, int32_t fallback) {
    return argc >= i ? toInt(argument(cell, i)) : fallback;
}

uint32_t ownerOf(TValue* cell) {
    const TValue& self = native::receiver(cell);
    return self.kind == vtObject ? self.u : 0;
}

// Records the sprite with its owner and the adjusted position.
template <class T> T& record(TValue* cell, int32_t x, int32_t y, int32_t z) {
    T& sprite = screen().Sprites.make<T>();
    sprite.owner = ownerOf(cell);
    sprite.x = TDrawingState::adjusted(x, drawingState().SpriteAdjustX);
    sprite.y = TDrawingState::adjusted(y, drawingState().SpriteAdjustY);
    sprite.zOrder = z;
    return sprite;
}

void setInt(TValue* cell, int32_t v) {
    TValue r = TValue::ofInt(v);
    assign(*cell, &r);
}

void native_init(TValue* cell, int, int) { setInt(cell, 1); }

void native_set(TValue* cell, int argc, int) {
    if (argc <= 3 || !screen().DrawingFrame) return;
    auto& s = record<TGrpSprite>(cell, arg(cell, argc, 2, 0), arg(cell, argc, 3, 0),
                                 arg(cell, argc, 6, 0));
    s.pattern = arg(cell, argc, 4, -1);
    s.flipped = arg(cell, argc, 5, 0) == 1;
}

void _n_drawDxSprite(TValue* cell, int argc, int) {
    if (argc <= 7 || !screen().DrawingFrame) return;
    auto& s = record<TDxGrpSprite>(cell, arg(cell, argc, 1, 0), arg(cell, argc, 2, 0),
                                   arg(cell, argc, 5, 0));
    s.pattern = arg(cell, argc, 3, -1);
    s.flipped = arg(cell, argc, 4, 0) == 1;
    s.angle = arg(cell, argc, 6, 0);
    s.alpha = arg(cell, argc, 7, 255);
    s.scaleX = toFloat(argument(cell, 8));
    s.scaleY = argc >= 9 ? toFloat(argument(cell, 9)) : s.scaleX;
}

void native_setText(TValue* cell, int argc, int) {
    if (argc <= 2 || !screen().DrawingFrame) return;
    if (argc < 5) ReportError("SetText..." + std::to_string(argc));
    auto& s = record<TTxtSprite>(cell, arg(cell, argc, 1, 0), arg(cell, argc, 2, 0),
                                 arg(cell, argc, 6, 0));
    std::string scratch;
    s.text = screen().Sprites.keep(native::textView(argument(cell, 3), scratch));
    s.colour = uint32_t(arg(cell, argc, 4, 0xFFFFFF)) & 0xFFFFFF;
    s.fontSize = arg(cell, argc, 5, 12);
    s.fontName = screen().Sprites.keep(drawingState().CurrentFontName);
    s.fontStyle = drawingState().CurrentFontStyle;
}

void _n_setFont(TValue* cell, int argc, int) {
    if (argc <= 0) return;
    TDrawingState& d = drawingState();
    d.CurrentFontName = native::text(argument(cell, 1));
    d.CurrentFontStyle =
        (argc >= 2 && truthiness(argument(cell, 2)) ? uint32_t(kFontBold) : 0u) |
        (argc >= 3 && truthiness(argument(cell, 3)) ? uint32_t(kFontItalic) : 0u) |
        (argc >= 4 && truthiness(argument(cell, 4)) ? uint32_t(kFontUnderline) : 0u);
}

void native_textExtent(TValue* cell, int argc, int) {
    if (argc <= 2) return;
    TPoint e = screen().backSurface().textExtent(native::text(argument(cell, 2)),
                                                 drawingState().CurrentFontName,
                                                 toInt(argument(cell, 3)), 0);
    setInt(cell, truthiness(argument(cell, 1)) ? e.y : e.x);
}

template <class T> void lineOrRect(TValue* cell, int argc) {
    if (argc <= 3 || !screen().DrawingFrame) return;
    auto& s = record<T>(cell, arg(cell, argc, 1, 0), arg(cell, argc, 2, 0), arg(cell, argc, 6, 0));
    s.x2 = TDrawingState::adjusted(arg(cell, argc, 3, 0), drawingState().SpriteAdjustX);
    s.y2 = TDrawingState::adjusted(arg(cell, argc, 4, 0), drawingState().SpriteAdjustY);
    s.colour = uint32_t(arg(cell, argc, 5, 0xFFFFFF)) & 0xFFFFFF;
}

void native_drawLine(TValue* cell, int argc, int) { lineOrRect<TLineSprite>(cell, argc); }
void native_fillRect(TValue* cell, int argc, int) { lineOrRect<TRectSprite>(cell, argc); }

void _n_setPolygon(TValue* cell, int argc, int) {
    if (argc <= 2) return;
    int32_t i = toInt(argument(cell, 1));
    if (i < 0 || i > 99) return;
    drawingState().PolygonPoints[size_t(i)] = {toInt(argument(cell, 2)), toInt(argument(cell, 3))};
}

void _n_fillPolygon(TValue* cell, int argc, int) {
    if (argc <= 2 || !screen().DrawingFrame) return;
    auto& s = record<TPolygonSprite>(cell, arg(cell, argc, 1, 0), arg(cell, argc, 2, 0),
                                     arg(cell, argc, 5, 0));
    int32_t count = std::min(arg(cell, argc, 3, 0), 99);
    s.colour = uint32_t(arg(cell, argc, 4, 0xFFFFFF)) & 0xFFFFFF;
    for (int32_t i = 0; i < count; ++i) {
        TPoint p = drawingState().PolygonPoints[size_t(i)];
        // Integers wrap, as the scripts' own additions do.
        s.points.push_back(
            {int32_t(uint32_t(s.x) + uint32_t(p.x)), int32_t(uint32_t(s.y) + uint32_t(p.y))});
    }
}

void native_getPWidth(TValue* cell, int argc, int) {
    if (argc <= 0) return;
    setInt(cell, patternList().cellSize(toInt(argument(cell, 1))).x);
}

void native_getPHeight(TValue* cell, int argc, int) {
    if (argc <= 0) return;
    setInt(cell, patternList().cellSize(toInt(argument(cell, 1))).y);
}

// No operation of the player creates a map surface for these to draw on;
// maps are drawn through panels.
void nothing(TValue*, int, int) {}

void setAdjust(TValue* cell, int argc, int) {
    if (argc < 2) return;
    drawingState().SpriteAdjustX = toInt(argument(cell, 1));
    drawingState().SpriteAdjustY = toInt(argument(cell, 2));
}

} // namespace

const std::vector<TNativeBinding>& spriteNatives() {
    // The recording natives are frameless: they read numbers (toInt never
    // fails) and record a sprite or a polygon point, and report nothing.
    static const std::vector<TNativeBinding> list = {
        {"classes.scr.Sprite", "native_init", native_init},
        {"classes.scr.Sprite", "native_set", native_set, true},
        {"classes.scr.Sprite", "_n_drawDxSprite", _n_drawDxSprite, true},
        {"classes.scr.Sprite", "native_setText", native_setText},
        {"classes.scr.Sprite", "_n_setFont", _n_setFont},
        {"classes.scr.Sprite", "native_textExtent", native_textExtent},
        {"classes.scr.Sprite", "native_drawLine", native_drawLine, true},
        {"classes.scr.Sprite", "native_fillRect", native_fillRect, true},
        {"classes.scr.Sprite", "_n_setPolygon", _n_setPolygon, true},
        {"classes.scr.Sprite", "_n_fillPolygon", _n_fillPolygon, true},
        {"classes.scr.Sprite", "native_getPWidth", native_getPWidth},
        {"classes.scr.Sprite", "native_getPHeight", native_getPHeight},
        {"classes.scr.Sprite", "native_free", nothing},
        {"classes.scr.Sprite", "_n_drawMapSprite", nothing},
        {"classes.scr.Sprite", "_n_drawChip", nothing},
    };
    return list;
}

const std::vector<TNativeBinding>& objectDrawingNatives() {
    static const std::vector<TNativeBinding> list = {
        {"classes.lang.Object", "setAdjust", setAdjust},
        {"classes.lang.Object", "setMapPat", nothing},
        {"classes.lang.Object", "pset", nothing},
    };
    return list;
}

} // namespace ravok
