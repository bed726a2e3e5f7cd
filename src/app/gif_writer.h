// An animated GIF written frame by frame from game pictures. A picture of at
// most 256 colours is stored exactly, with a palette of its own; one of more
// colours is reduced to a fixed palette of 252 (6 x 7 x 6 levels of red, green
// and blue), nearest level, without dithering. Frame times are whole
// hundredths of a second, the most GIF can say: each frame gets the
// hundredths its end has reached, so the total stays true (17 ms frames come
// out as 2, 2, 1, 2, ... hundredths).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct GifFileType;

namespace ravok {

class TSurface;

class TGifWriter {
public:
    TGifWriter() = default;
    ~TGifWriter();
    TGifWriter(const TGifWriter&) = delete;
    TGifWriter& operator=(const TGifWriter&) = delete;

    // Creates the file for pictures of width x height that loop forever;
    // false, with the reason in error(), when it cannot.
    bool open(const std::string& hostPath, int width, int height);
    bool isOpen() const { return file_ != nullptr; }
    // Appends the picture (at least width x height; the rest is left out),
    // shown for `milliseconds`.
    bool add(const TSurface& picture, double milliseconds);
    // Finishes the file; false when a write failed at any point.
    bool close();
    const std::string& error() const { return error_; }
    int frames() const { return frames_; }

private:
    bool fail(const std::string& what, int code);

    GifFileType* file_ = nullptr;
    int width_ = 0, height_ = 0;
    int frames_ = 0;
    double shownMs_ = 0;         // the time the frames so far cover
    long writtenHundredths_ = 0; // the delays written so far
    std::string error_;
    std::vector<uint8_t> indices_;
};

// Splits a picture's pixels (0x..RRGGBB) into palette and indices: exact when
// there are at most 256 colours (palette in order of first appearance), else
// the fixed palette. Returned palette entries are 0xRRGGBB.
std::vector<uint32_t> paletteFor(const std::vector<uint32_t>& pixels,
                                 std::vector<uint8_t>& indices);

} // namespace ravok
