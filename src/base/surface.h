// Drawing surfaces: images in system memory and the operations sprites,
// panels and the screen draw with. Pixels are 32-bit words 0xFFRRGGBB in
// memory, rows of width * 4 bytes (what windowing libraries call RGB24, so a
// window can show them as they are); colours as scripts pass them are
// 0x00BBGGRR and are converted at this boundary. Nothing is antialiased.
// Every operation is our own code, so a frame comes out the same on every
// platform the player is built for.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace ravok {

struct TRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
};

struct TPoint {
    int x = 0, y = 0;
};

// Font styles as scripts give them.
enum : uint32_t { kFontBold = 1, kFontItalic = 2, kFontUnderline = 4 };

// The largest picture the player decodes: 64 megapixels (256 MB of
// surface), and 16384 pixels a side. A file of a few bytes can declare far
// more, and the decoders would take it at its word.
constexpr int64_t kMaxImagePixels = int64_t(64) << 20;
constexpr int64_t kMaxImageSide = 16384;
// The reason load() and decode() give for a picture past those limits.
inline constexpr const char* kImageTooLarge =
    "the picture is larger than 64 megapixels or 16384 pixels a side"; // message
// A BMP at 32 bits a pixel of the largest size, with its headers.
constexpr size_t kMaxImageFileBytes = size_t(kMaxImagePixels) * 4 + (1 << 20);

// The key colour meaning "no colour is transparent".
constexpr int64_t kNoKey = -1;

class TSurface {
public:
    ~TSurface();
    TSurface(const TSurface&) = delete;
    TSurface& operator=(const TSurface&) = delete;

    // A surface of that size filled with black.
    static std::unique_ptr<TSurface> create(int width, int height);
    // Decodes a BMP or PNG file (a host path, a regular file); nullptr with
    // the reason. A picture whose header declares more than kMaxImagePixels
    // or a side past kMaxImageSide is refused before anything is decoded.
    static std::unique_ptr<TSurface> load(const std::string& hostPath,
                                          std::string* error = nullptr);
    // The same for the bytes of a file.
    static std::unique_ptr<TSurface> decode(std::string_view bytes, std::string* error = nullptr);
    int width() const { return width_; }
    int height() const { return height_; }
    // The colour 0x00BBGGRR at a point; 0 outside.
    uint32_t pixel(int x, int y) const;
    // The raw word at a point (what colour keys compare with).
    uint32_t rawPixel(int x, int y) const;

    // Copies drawn from this surface treat pixels equal to the raw word as
    // transparent; kNoKey makes every pixel opaque.
    void setKey(int64_t rawKey) { key_ = rawKey; }
    int64_t key() const { return key_; }

    // Filled rectangle, right and bottom excluded.
    void fillRect(const TRect& r, uint32_t colour);
    // A line as classic drawing APIs draw it: the start included, the end not.
    void line(int x1, int y1, int x2, int y2, uint32_t colour);
    // A filled polygon (even-odd rule) with its outline in the same colour.
    void polygon(const std::vector<TPoint>& points, uint32_t colour);
    // Text (Shift-JIS) with its top-left corner at (x, y); size in points.
    void text(int x, int y, std::string_view text, std::string_view font, int size, uint32_t style,
              uint32_t colour);
    // Width and height the text would take.
    TPoint textExtent(std::string_view text, std::string_view font, int size, uint32_t style);

    // Copies the source rectangle to (x, y), leaving out the source's key
    // colour; when src.left > src.right the rectangle is mirrored left to right.
    void copyKeyed(const TSurface& source, TRect src, int x, int y) {
        copyKeyedWith(source, src, x, y, source.key_);
    }
    // The same with the key given (kNoKey: none), leaving the source's alone.
    void copyKeyedWith(const TSurface& source, TRect src, int x, int y, int64_t key);
    // Copies without a key (presentation).
    void copyPlain(const TSurface& source, TRect src, int x, int y);
    // The source rectangle scaled to dstWidth x dstHeight (a negative width
    // mirrors), turned by steps/256 of a full turn clockwise around its centre,
    // centred on (cx, cy), with alpha 0-255; the source's key applies.
    void copyRotated(const TSurface& source, TRect src, int cx, int cy, int dstWidth, int dstHeight,
                     int steps, int alpha);
    // The same with the key given (kNoKey: none), leaving the source's alone;
    // it writes only direct rows, so bands of one frame may draw at once.
    void copyRotatedWith(const TSurface& source, TRect src, int cx, int cy, int dstWidth,
                         int dstHeight, int steps, int alpha, int64_t key);

    // The source rectangle stretched onto the destination rectangle, pixel
    // for nearest pixel, leaving out the source's key colour.
    void copyScaled(const TSurface& source, TRect src, TRect dst);
    // The source rectangle at (x, y), blended with alpha 0-255 over what is
    // there, leaving out the source's key colour.
    void copyBlended(const TSurface& source, TRect src, int x, int y, int alpha);

    bool savePng(const std::string& hostPath) const;
    // The rectangle as the bytes of a 24-bit BMP file; parts outside the
    // surface are black.
    std::string encodeBmp(TRect r) const;

    // A surface on the same pixels whose fills, lines, polygons and copies
    // (not text) land only in rows top to bottom: two threads
    // can draw the two halves of a frame.
    std::unique_ptr<TSurface> band(int top, int bottom);

    uint32_t* row(int y) { return pixels_.get() + size_t(y) * size_t(width_); }
    const uint32_t* row(int y) const { return pixels_.get() + size_t(y) * size_t(width_); }
    // Bytes from one row to the next.
    int stride() const { return width_ * 4; }

private:
    TSurface(std::shared_ptr<uint32_t> pixels, int width, int height);

    // Shared with the bands drawn on other threads.
    std::shared_ptr<uint32_t> pixels_;
    int width_, height_;
    int64_t key_ = kNoKey;
    // Where direct drawing may write.
    int clipLeft_ = 0, clipTop_ = 0, clipRight_ = 0, clipBottom_ = 0;
    bool band_ = false;
};

// Colours: 0x00BBGGRR (scripts) to the raw 0x00RRGGBB word and back.
inline uint32_t rawFromColour(uint32_t c) {
    return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}
inline uint32_t colourFromRaw(uint32_t w) { return rawFromColour(w & 0xFFFFFF); }

} // namespace ravok
