// Frames and captures saved as 8-bit RGB PNG files, through stb_image_write,
// the same on every platform's build.
#include "base/surface.h"

#include <stb_image_write.h>

#include <vector>

namespace ravok {

bool TSurface::savePng(const std::string& hostPath) const {
    std::vector<unsigned char> rgb(size_t(width_) * size_t(height_) * 3);
    unsigned char* out = rgb.data();
    for (int y = 0; y < height_; ++y) {
        const uint32_t* in = row(y);
        for (int x = 0; x < width_; ++x, out += 3) {
            out[0] = uint8_t(in[x] >> 16);
            out[1] = uint8_t(in[x] >> 8);
            out[2] = uint8_t(in[x]);
        }
    }
    return stbi_write_png(hostPath.c_str(), width_, height_, 3, rgb.data(), width_ * 3) != 0;
}

} // namespace ravok
