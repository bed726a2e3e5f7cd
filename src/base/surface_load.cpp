// Reading BMP and PNG files into surfaces through gdk-pixbuf, which decodes
// both without a display. Pixels keep their colour; an alpha channel is
// dropped, since transparency comes from key colours.
#include "base/surface.h"

#include <cairo.h>
#include <gdk-pixbuf/gdk-pixbuf.h>

#include <cstdio>
#include <cstring>

namespace ravok {

namespace {

constexpr int64_t kMaxSide = 16384;

uint32_t le32(const unsigned char* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// Only BMP and PNG files reach the decoder, and a BMP file's header is checked
// first: the decoder takes a forged header or picture size at its word and
// asks for gigabytes.
bool plausibleBmp(const std::string& hostPath, std::string* error) {
    unsigned char h[54] = {};
    FILE* f = std::fopen(hostPath.c_str(), "rb");
    if (!f) {
        if (error) *error = "cannot be read";
        return false;
    }
    size_t n = std::fread(h, 1, sizeof h, f);
    std::fclose(f);
    static const unsigned char png[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (n >= 8 && std::memcmp(h, png, 8) == 0) return true; // PNG: the decoder checks it
    if (n < 2 || h[0] != 'B' || h[1] != 'M') {
        // Only BMP and PNG are pattern images; the decoder's other formats stay shut.
        if (error) *error = "not a BMP or PNG file";
        return false;
    }
    bool ok = n >= 26;
    if (ok) {
        uint32_t infoSize = le32(h + 14);
        int64_t w = 0, hgt = 0;
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
        ok = ok && w > 0 && w <= kMaxSide && hgt != 0 && hgt >= -kMaxSide && hgt <= kMaxSide &&
             le32(h + 10) < (1u << 24);
    }
    if (!ok && error) *error = "not a BMP file that can be read";
    return ok;
}

} // namespace

std::unique_ptr<TSurface> TSurface::load(const std::string& hostPath, std::string* error) {
    if (!plausibleBmp(hostPath, error)) return nullptr;
    int infoWidth = 0, infoHeight = 0;
    if (gdk_pixbuf_get_file_info(hostPath.c_str(), &infoWidth, &infoHeight) &&
        (infoWidth > kMaxSide || infoHeight > kMaxSide)) {
        if (error) *error = "the image is too large";
        return nullptr;
    }
    GError* failure = nullptr;
    GdkPixbuf* pixbuf = gdk_pixbuf_new_from_file(hostPath.c_str(), &failure);
    if (!pixbuf) {
        if (error) *error = failure ? failure->message : "cannot be read";
        if (failure) g_error_free(failure);
        return nullptr;
    }
    int width = gdk_pixbuf_get_width(pixbuf), height = gdk_pixbuf_get_height(pixbuf);
    int channels = gdk_pixbuf_get_n_channels(pixbuf);
    int stride = gdk_pixbuf_get_rowstride(pixbuf);
    const guchar* pixels = gdk_pixbuf_get_pixels(pixbuf);
    std::unique_ptr<TSurface> surface;
    if (gdk_pixbuf_get_bits_per_sample(pixbuf) == 8 && channels >= 3)
        surface = create(width, height);
    if (surface && surface->width() == width && surface->height() == height) {
        for (int y = 0; y < height; ++y) {
            const guchar* in = pixels + size_t(y) * size_t(stride);
            uint32_t* out = surface->row(y);
            for (int x = 0; x < width; ++x, in += channels)
                out[x] = 0xFF000000u | uint32_t(in[0]) << 16 | uint32_t(in[1]) << 8 | in[2];
        }
        surface->touched();
    } else {
        surface.reset();
        if (error) *error = "unsupported pixel format";
    }
    g_object_unref(pixbuf);
    return surface;
}

} // namespace ravok
