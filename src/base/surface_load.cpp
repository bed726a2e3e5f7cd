// Reading BMP and PNG files into surfaces: BMP through our own reader
// (base/bmp_reader.cpp), PNG through stb_image, so every platform's build
// decodes alike. Pixels keep their colour; an alpha channel is dropped,
// since transparency comes from key colours.
#include "base/surface.h"

#include "base/bmp_reader.h"
#include "base/regular_file.h"

#include <stb_image.h>

#include <algorithm>
#include <cstring>

namespace ravok {

namespace {

uint32_t le32(const unsigned char* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint32_t be32(const unsigned char* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

bool withinBudget(int64_t width, int64_t height) {
    if (height < 0) height = -height; // a BMP stored top-down
    return width > 0 && height > 0 && width <= kMaxImageSide && height <= kMaxImageSide &&
           width * height <= kMaxImagePixels;
}

// Whether every chunk of a PNG file up to IEND lies inside the file. The
// decoder grows its buffer to the length a data chunk claims before reading
// it: a few hundred bytes claiming two gigabytes would have it allocated.
bool pngChunksFit(std::string_view bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    for (size_t at = 8; bytes.size() - at >= 12;) {
        uint32_t length = be32(p + at);
        if (length > bytes.size() - at - 12) return false;
        if (std::memcmp(p + at + 4, "IEND", 4) == 0) break;
        at += 12 + size_t(length);
    }
    return true;
}

// Only BMP and PNG files reach the decoder, and their headers are checked
// first: the decoder takes a forged header or picture size at its word and
// asks for gigabytes. `type` is the decoder's name of the format.
bool plausibleImage(std::string_view bytes, const char** type, std::string* error) {
    unsigned char h[54] = {};
    size_t n = std::min(bytes.size(), sizeof h);
    std::memcpy(h, bytes.data(), n);
    static const unsigned char png[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (n >= 8 && std::memcmp(h, png, 8) == 0) {
        *type = "png";
        // The first chunk is IHDR, with the width and height.
        if (n >= 24 && std::memcmp(h + 12, "IHDR", 4) == 0) {
            if (!withinBudget(be32(h + 16), be32(h + 20))) {
                if (error) *error = kImageTooLarge;
                return false;
            }
            if (pngChunksFit(bytes)) return true;
            if (error) *error = "a PNG file cut short: a chunk runs past its end";
            return false;
        }
        if (error) *error = "not a PNG file that can be read";
        return false;
    }
    if (n < 2 || h[0] != 'B' || h[1] != 'M') {
        // Only BMP and PNG are pattern images; the decoder's other formats stay shut.
        if (error) *error = "not a BMP or PNG file";
        return false;
    }
    *type = "bmp";
    bool ok = n >= 26;
    int64_t w = 0, hgt = 0;
    if (ok) {
        uint32_t infoSize = le32(h + 14);
        if (infoSize == 12) {
            w = h[18] | h[19] << 8;
            hgt = h[20] | h[21] << 8;
        } else if (infoSize == 40 || infoSize == 52 || infoSize == 56 || infoSize == 64 ||
                   infoSize == 108 || infoSize == 124) {
            w = int32_t(le32(h + 18));
            hgt = int32_t(le32(h + 22));
            unsigned planes = h[26] | h[27] << 8, bits = h[28] | h[29] << 8;
            ok = n >= 50 && planes == 1 &&
                 (bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32) &&
                 le32(h + 30) <= 6 && le32(h + 46) <= 256; // compression, palette size
        } else {
            ok = false;
        }
        ok = ok && w > 0 && hgt != 0 && le32(h + 10) < (1u << 24);
    }
    if (!ok) {
        if (error) *error = "not a BMP file that can be read";
        return false;
    }
    if (!withinBudget(w, hgt)) {
        if (error) *error = kImageTooLarge;
        return false;
    }
    return true;
}

} // namespace

std::unique_ptr<TSurface> TSurface::load(const std::string& hostPath, std::string* error) {
    std::string bytes;
    switch (readRegularFile(hostPath, bytes, kMaxImageFileBytes)) {
    case TRegularRead::Ok:
        return decode(bytes, error);
    case TRegularRead::TooLarge:
        if (error) *error = kImageTooLarge;
        return nullptr;
    case TRegularRead::NotRegular:
        if (error) *error = "not a regular file";
        return nullptr;
    default:
        if (error) *error = "cannot be read";
        return nullptr;
    }
}

std::unique_ptr<TSurface> TSurface::decode(std::string_view bytes, std::string* error) {
    const char* type = nullptr;
    if (!plausibleImage(bytes, &type, error)) return nullptr;
    if (type[0] == 'b') return decodeBmp(bytes, error);
    if (bytes.size() > size_t(INT32_MAX)) {
        if (error) *error = kImageTooLarge;
        return nullptr;
    }
    int width = 0, height = 0, channels = 0;
    stbi_uc* pixels = stbi_load_from_memory(reinterpret_cast<const stbi_uc*>(bytes.data()),
                                            int(bytes.size()), &width, &height, &channels, 3);
    if (!pixels) {
        if (error) *error = "not a PNG file that can be read";
        return nullptr;
    }
    std::unique_ptr<TSurface> surface = create(width, height);
    if (surface && surface->width() == width && surface->height() == height) {
        for (int y = 0; y < height; ++y) {
            const stbi_uc* in = pixels + size_t(y) * size_t(width) * 3;
            uint32_t* out = surface->row(y);
            for (int x = 0; x < width; ++x, in += 3)
                out[x] = 0xFF000000u | uint32_t(in[0]) << 16 | uint32_t(in[1]) << 8 | in[2];
        }
    } else {
        surface.reset();
        if (error) *error = kImageTooLarge;
    }
    stbi_image_free(pixels);
    return surface;
}

} // namespace ravok
