// Source-over blending of opaque pixels in 8-bit steps, rounded as the
// drawing library rounds, so pixels drawn by the player match the ones the
// library drew.
#pragma once

#include <cstdint>

namespace ravok {

// d * (255 - a) / 255 + s * a / 255 in each channel, rounded as 8-bit
// source-over blending rounds, two channels per multiply.
inline uint32_t scaleChannels(uint32_t x, uint32_t a) {
    uint32_t rb = (x & 0xFF00FF) * a + 0x800080;
    rb = ((rb + ((rb >> 8) & 0xFF00FF)) >> 8) & 0xFF00FF;
    uint32_t g = (x & 0xFF00) * a + 0x8000;
    g = ((g + ((g >> 8) & 0xFF00)) >> 8) & 0xFF00;
    return rb | g;
}
inline uint32_t blendOver(uint32_t source, uint32_t dest, uint32_t alpha) {
    uint32_t s = scaleChannels(source, alpha), d = scaleChannels(dest, 255 - alpha);
    uint32_t rb = (s & 0xFF00FF) + (d & 0xFF00FF), g = (s & 0xFF00) + (d & 0xFF00);
    // A channel that passes 255 stays at 255.
    rb |= 0x1000100 - ((rb >> 8) & 0x10001);
    g |= 0x10000 - ((g >> 8) & 0x100);
    return (rb & 0xFF00FF) | (g & 0xFF00) | 0xFF000000u;
}

} // namespace ravok
