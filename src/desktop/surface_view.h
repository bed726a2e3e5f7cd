// A player surface seen by the window's drawing library: the same pixels,
// not a copy, for painting the screen into a window and making icons.
#pragma once

#include "base/surface.h"

#include <cairo.h>

namespace ravok {

// A new reference the caller destroys; valid while the surface lives.
inline cairo_surface_t* cairoView(const TSurface& surface) {
    auto* pixels = reinterpret_cast<unsigned char*>(const_cast<uint32_t*>(surface.row(0)));
    return cairo_image_surface_create_for_data(pixels, CAIRO_FORMAT_RGB24, surface.width(),
                                               surface.height(), surface.stride());
}

} // namespace ravok
