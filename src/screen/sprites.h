// Sprites: the drawing records scripts make during the drawing frame. The
// screen's list is sorted by depth and drawn onto the back surface after the
// frame, serves as the hit boxes for mouse clicks, and is emptied at the start
// of the next drawing frame.
#pragma once

#include "base/surface.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <vector>

namespace ravok {

class TfSprite {
public:
    virtual ~TfSprite() = default;
    virtual void Draw(TSurface& surface) { (void)surface; }
    virtual TRect Bounds(TSurface& surface) {
        (void)surface;
        return {};
    }
    // Whether Draw touches nothing but the destination's pixels (no text, no
    // shared drawing state), so that two threads may draw
    // the two halves of a frame with it.
    virtual bool drawsDirectly() const { return false; }

    uint32_t owner = 0; // the instance that recorded it; 0 for none
    int32_t x = 0, y = 0;
    int32_t zOrder = 0;
};

class TGrpSprite : public TfSprite {
public:
    void Draw(TSurface& surface) override;
    TRect Bounds(TSurface& surface) override;
    bool drawsDirectly() const override { return true; }
    int32_t pattern = -1;
    bool flipped = false;
};

class TDxGrpSprite : public TGrpSprite {
public:
    void Draw(TSurface& surface) override;
    TRect Bounds(TSurface& surface) override;
    long double scaleX = 1.0L, scaleY = 1.0L;
    int32_t alpha = 255;
    int32_t angle = 0;
};

// Its texts are views: of text the sprite list keeps for the frame
// (TSpriteList::keep), or of strings that outlive the sprite.
class TTxtSprite : public TfSprite {
public:
    void Draw(TSurface& surface) override;
    TRect Bounds(TSurface& surface) override;
    std::string_view fontName;
    uint32_t fontStyle = 0;
    uint32_t colour = 0xFFFFFF;
    int32_t fontSize = 12;
    std::string_view text;
};

class TLineSprite : public TfSprite {
public:
    void Draw(TSurface& surface) override;
    TRect Bounds(TSurface& surface) override;
    bool drawsDirectly() const override { return true; }
    int32_t x2 = 0, y2 = 0;
    uint32_t colour = 0xFFFFFF;
};

class TRectSprite : public TLineSprite {
public:
    void Draw(TSurface& surface) override;
};

class TPolygonSprite : public TfSprite {
public:
    void Draw(TSurface& surface) override;
    TRect Bounds(TSurface& surface) override;
    bool drawsDirectly() const override { return true; }
    std::vector<TPoint> points;
    uint32_t colour = 0xFFFFFF;
};

// A wrap-around copy of a whole surface (used by panels). It shares the
// surface, so a panel freed or replaced after recording it in a frame is
// still drawn as it was recorded.
class TMapSprite : public TfSprite {
public:
    void Draw(TSurface& surface) override;
    TRect Bounds(TSurface& surface) override;
    std::shared_ptr<const TSurface> source;
    int32_t sourceWidth = 0, sourceHeight = 0;
    int32_t scrollX = 0, scrollY = 0;
    int32_t width = 0, height = 0;
    int32_t alpha = 255;
    int32_t angle = 0;
    bool rotating = false;
};

class TSpriteList {
public:
    TSpriteList() = default;
    TSpriteList(const TSpriteList&) = delete;
    TSpriteList& operator=(const TSpriteList&) = delete;
    ~TSpriteList() { clear(); }

    // A new sprite at the end of the list. Records come from blocks the list
    // keeps from frame to frame, so a frame of sprites costs no allocations.
    template <class T> T& make() {
        T* sprite = new (allocate(sizeof(T), alignof(T))) T();
        sprites_.push_back({sprite, false});
        sorted_ = false;
        return *sprite;
    }
    void add(std::unique_ptr<TfSprite> sprite) {
        sprites_.push_back({sprite.release(), true});
        sorted_ = false;
    }
    // A copy of the text that lasts until the list is cleared, in the same
    // blocks as the records.
    std::string_view keep(std::string_view text);
    // Frees every sprite, from the last to the first.
    void clear();
    // Deepest first, so the smallest zOrder is drawn last and lies on top.
    // The sort does not keep the order of equal depths; a list sorted once
    // stays as it is until a sprite is added, so a frame drawn again (the
    // window's redraw) is the same picture.
    void sort();
    void drawAll(TSurface& surface);
    // The owners of the sprites whose bounds overlap the rectangle, in list
    // order, each once.
    std::vector<uint32_t> HitTest(TSurface& surface, const TRect& r);
    size_t size() const { return sprites_.size(); }
    TfSprite* at(size_t i) const { return sprites_[i].sprite; }

private:
    struct TEntry {
        TfSprite* sprite;
        bool owned; // given by add(): deleted, not only destroyed
    };
    void* allocate(size_t size, size_t align);

    std::vector<TEntry> sprites_;
    std::vector<std::unique_ptr<std::byte[]>> blocks_;
    std::vector<std::string> longTexts_; // kept texts too long for a block
    size_t block_ = 0, used_ = 0;        // the block being filled and how much of it
    bool sorted_ = false;
};

// The global drawing state the sprite natives use.
struct TDrawingState {
    int32_t SpriteAdjustX = 0, SpriteAdjustY = 0;
    // A script's position less the adjustment, wrapping as the drawing has
    // always taken it: both come from scripts, with any value.
    static int32_t adjusted(int32_t v, int32_t adjust) {
        return int32_t(uint32_t(v) - uint32_t(adjust));
    }
    std::array<TPoint, 100> PolygonPoints{};
    std::string CurrentFontName;
    uint32_t CurrentFontStyle = 0;
};
TDrawingState& drawingState();

// Angles in degrees to the drawing layer's 256 steps a turn.
int angleSteps(int64_t degrees);

} // namespace ravok
