// Our own BMP reader: every layout paint programs write (the OS/2 and
// Windows headers, 1, 4, 8, 16, 24 and 32 bits a pixel, bit fields, RLE4 and
// RLE8, rows bottom-up or top-down), the same on every platform.
#pragma once

#include "base/surface.h"

#include <memory>
#include <string>
#include <string_view>

namespace ravok {

// The picture of a BMP file's bytes whose header plausibleImage() accepted;
// nullptr with the reason. Pixels an RLE picture skips are black.
std::unique_ptr<TSurface> decodeBmp(std::string_view bytes, std::string* error);

} // namespace ravok
