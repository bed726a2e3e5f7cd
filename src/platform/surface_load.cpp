// Reading BMP and PNG files into surfaces through gdk-pixbuf, which decodes
// both without a display. Pixels keep their colour; an alpha channel is
// dropped, since transparency comes from key colours.
#include "surface.h"

#include <cairo.h>
#include <gdk-pixbuf/gdk-pixbuf.h>

namespace ravok {

std::unique_ptr<TSurface> TSurface::load(const std::string& hostPath, std::string* error) {
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
