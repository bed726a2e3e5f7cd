#include "app/gif_writer.h"

#include "base/surface.h"

#include <gif_lib.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <unordered_map>

namespace ravok {

namespace {

constexpr int kRedLevels = 6, kGreenLevels = 7, kBlueLevels = 6;

int level(uint32_t value, int levels) { return int((value * (levels - 1) + 127) / 255); }
uint32_t levelValue(int l, int levels) { return uint32_t(l * 255 / (levels - 1)); }

std::vector<uint32_t> fixedPalette() {
    std::vector<uint32_t> palette;
    for (int r = 0; r < kRedLevels; ++r)
        for (int g = 0; g < kGreenLevels; ++g)
            for (int b = 0; b < kBlueLevels; ++b)
                palette.push_back(levelValue(r, kRedLevels) << 16 |
                                  levelValue(g, kGreenLevels) << 8 | levelValue(b, kBlueLevels));
    return palette;
}

struct TColourMap {
    ColorMapObject* map = nullptr;
    explicit TColourMap(const std::vector<uint32_t>& palette) {
        int size = 2; // GIF palettes hold a power of two entries, at least two
        while (size < int(palette.size()))
            size *= 2;
        std::vector<GifColorType> colours(size_t(size), GifColorType{0, 0, 0});
        for (size_t i = 0; i < palette.size(); ++i)
            colours[i] = GifColorType{GifByteType(palette[i] >> 16), GifByteType(palette[i] >> 8),
                                      GifByteType(palette[i])};
        map = GifMakeMapObject(size, colours.data());
    }
    ~TColourMap() { GifFreeMapObject(map); }
    TColourMap(const TColourMap&) = delete;
    TColourMap& operator=(const TColourMap&) = delete;
};

} // namespace

std::vector<uint32_t> paletteFor(const std::vector<uint32_t>& pixels,
                                 std::vector<uint8_t>& indices) {
    indices.resize(pixels.size());
    std::vector<uint32_t> palette;
    std::unordered_map<uint32_t, uint8_t> seen;
    uint32_t last = 0xFFFFFFFF;
    uint8_t lastIndex = 0;
    bool exact = true;
    for (size_t i = 0; i < pixels.size(); ++i) {
        uint32_t c = pixels[i] & 0xFFFFFF;
        if (c != last) {
            auto it = seen.find(c);
            if (it == seen.end()) {
                if (palette.size() == 256) {
                    exact = false;
                    break;
                }
                it = seen.emplace(c, uint8_t(palette.size())).first;
                palette.push_back(c);
            }
            last = c;
            lastIndex = it->second;
        }
        indices[i] = lastIndex;
    }
    if (exact) return palette;
    for (size_t i = 0; i < pixels.size(); ++i) {
        uint32_t c = pixels[i];
        indices[i] = uint8_t((level((c >> 16) & 0xFF, kRedLevels) * kGreenLevels +
                              level((c >> 8) & 0xFF, kGreenLevels)) *
                                 kBlueLevels +
                             level(c & 0xFF, kBlueLevels));
    }
    return fixedPalette();
}

TGifWriter::~TGifWriter() { close(); }

bool TGifWriter::fail(const std::string& what, int code) {
    if (error_.empty()) {
        const char* reason = GifErrorString(code);
        error_ = what + (reason ? std::string(": ") + reason : std::string());
    }
    return false;
}

bool TGifWriter::open(const std::string& hostPath, int width, int height) {
    close();
    error_.clear();
    frames_ = 0;
    shownMs_ = 0;
    writtenHundredths_ = 0;
    // Opened here, not by the library, so that the file gets the usual
    // permissions (the library makes it readable by its owner only).
    int fd = ::open(hostPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        error_ = std::string("cannot be created: ") + std::strerror(errno);
        return false;
    }
    int code = 0;
    file_ = EGifOpenFileHandle(fd, &code);
    if (!file_) {
        ::close(fd);
        return fail("cannot be created", code);
    }
    width_ = width;
    height_ = height;
    EGifSetGifVersion(file_, true);
    if (EGifPutScreenDesc(file_, width, height, 8, 0, nullptr) == GIF_ERROR)
        return fail("cannot be written", file_->Error);
    // Loop forever, as players of animated pictures expect.
    static const GifByteType netscape[] = "NETSCAPE2.0";
    static const GifByteType loop[] = {1, 0, 0};
    if (EGifPutExtensionLeader(file_, APPLICATION_EXT_FUNC_CODE) == GIF_ERROR ||
        EGifPutExtensionBlock(file_, 11, netscape) == GIF_ERROR ||
        EGifPutExtensionBlock(file_, 3, loop) == GIF_ERROR ||
        EGifPutExtensionTrailer(file_) == GIF_ERROR)
        return fail("cannot be written", file_->Error);
    return true;
}

bool TGifWriter::add(const TSurface& picture, double milliseconds) {
    if (!file_ || !error_.empty()) return false;
    if (picture.width() < width_ || picture.height() < height_) {
        error_ = "a picture is smaller than the first";
        return false;
    }
    std::vector<uint32_t> pixels(size_t(width_) * size_t(height_));
    for (int y = 0; y < height_; ++y) {
        const uint32_t* row = picture.row(y);
        std::copy(row, row + width_, pixels.begin() + ptrdiff_t(y) * width_);
    }
    std::vector<uint32_t> palette = paletteFor(pixels, indices_);
    shownMs_ += milliseconds;
    long due = std::lround(shownMs_ / 10.0);
    long delay = std::max(0L, due - writtenHundredths_);
    writtenHundredths_ += delay;
    GifByteType control[4] = {0, GifByteType(delay & 0xFF), GifByteType((delay >> 8) & 0xFF), 0};
    TColourMap map(palette);
    if (!map.map) return fail("out of memory", D_GIF_ERR_NOT_ENOUGH_MEM);
    if (EGifPutExtension(file_, GRAPHICS_EXT_FUNC_CODE, 4, control) == GIF_ERROR ||
        EGifPutImageDesc(file_, 0, 0, width_, height_, false, map.map) == GIF_ERROR)
        return fail("cannot be written", file_->Error);
    for (int y = 0; y < height_; ++y)
        if (EGifPutLine(file_, indices_.data() + size_t(y) * size_t(width_), width_) == GIF_ERROR)
            return fail("cannot be written", file_->Error);
    ++frames_;
    return true;
}

bool TGifWriter::close() {
    if (!file_) return error_.empty();
    int code = 0;
    bool closed = EGifCloseFile(file_, &code) != GIF_ERROR;
    file_ = nullptr;
    if (!closed) fail("cannot be finished", code);
    return error_.empty();
}

} // namespace ravok
