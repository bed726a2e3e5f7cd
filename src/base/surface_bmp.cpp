// Writing a surface's rectangle as a BMP file: the classic 24-bit layout
// (BITMAPINFOHEADER, rows bottom-up, each padded to four bytes) that every
// paint program and the player's own reader take.
#include "base/surface.h"

#include <algorithm>

namespace ravok {

namespace {
void put16(std::string& out, uint32_t v) {
    out += char(v & 0xFF);
    out += char((v >> 8) & 0xFF);
}
void put32(std::string& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}
} // namespace

std::string TSurface::encodeBmp(TRect r) const {
    int w = std::max(0, r.width()), h = std::max(0, r.height());
    size_t rowBytes = (size_t(w) * 3 + 3) & ~size_t(3);
    size_t pixels = rowBytes * size_t(h);
    std::string out;
    out.reserve(54 + pixels);
    out += "BM";
    put32(out, uint32_t(54 + pixels));
    put32(out, 0);
    put32(out, 54);
    put32(out, 40);
    put32(out, uint32_t(w));
    put32(out, uint32_t(h));
    put16(out, 1);
    put16(out, 24);
    put32(out, 0); // no compression
    put32(out, uint32_t(pixels));
    put32(out, 2835); // 72 dots an inch
    put32(out, 2835);
    put32(out, 0);
    put32(out, 0);
    for (int j = h - 1; j >= 0; --j) {
        int y = r.top + j;
        size_t start = out.size();
        for (int i = 0; i < w; ++i) {
            int x = r.left + i;
            uint32_t p = x >= 0 && y >= 0 && x < width_ && y < height_ ? row(y)[x] : 0;
            out += char(p & 0xFF);
            out += char((p >> 8) & 0xFF);
            out += char((p >> 16) & 0xFF);
        }
        out.append(rowBytes - (out.size() - start), '\0');
    }
    return out;
}

} // namespace ravok
