#include "runtime/sjis.h"

#include <algorithm>
#include <cstring>

namespace ravok {

std::string foldCase(std::string_view text) {
    std::string out(text);
    for (size_t i = 0; i < out.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(out[i]);
        if (isLeadByte(c)) {
            ++i; // the trail byte belongs to the character, whatever its value
        } else if (c >= 'A' && c <= 'Z') {
            out[i] = char(c - 'A' + 'a');
        }
    }
    return out;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (isLeadByte(x)) {
            // The trail byte belongs to the character and is compared as it is.
            if (x != y) return false;
            if (i + 1 < a.size()) {
                if (a[i + 1] != b[i + 1]) return false;
                ++i;
            }
            continue;
        }
        if (x >= 'A' && x <= 'Z') x = uint8_t(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = uint8_t(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

size_t hashNoCase(std::string_view text) {
    constexpr uint64_t kHighBits = 0x8080808080808080ull, kOnes = 0x0101010101010101ull;
    uint64_t h = 14695981039346656037ull ^ text.size();
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    size_t i = 0, n = text.size();
    // Eight ASCII bytes at a time, their capitals lowered all at once; from
    // the first word holding a byte from 0x80 up, byte by byte, since a
    // double-byte character's second byte is never folded. Two texts that
    // fold alike switch at the same word, so they hash alike.
    // A text of eight bytes or more ends with the word of its last eight,
    // which may overlap the one before.
    for (; n >= 8 && i < n; i += 8) {
        uint64_t w;
        std::memcpy(&w, p + std::min(i, n - 8), sizeof w);
        if (w & kHighBits) break;
        uint64_t fromA = w + kOnes * (0x80 - 'A'), pastZ = w + kOnes * (0x80 - 'Z' - 1);
        w |= ((fromA & ~pastZ) & kHighBits) >> 2;
        h = (h ^ w) * 0x9E3779B97F4A7C15ull;
    }
    for (; i < n; ++i) {
        unsigned int c = p[i];
        if (c < 0x80) {
            c |= unsigned(c - 'A' < 26u) << 5; // an upper-case letter lowered
        } else if (isLeadByte(uint8_t(c)) && i + 1 < n) {
            h = (h ^ c) * 1099511628211ull;
            c = p[++i]; // the trail byte, as it is
        }
        h = (h ^ c) * 1099511628211ull;
    }
    // The products carry upward only: the high bits are folded down, since
    // the table takes its bucket from the low ones.
    h ^= h >> 29;
    h *= 0xBF58476D1CE4E5B9ull;
    h ^= h >> 32;
    return size_t(h);
}

std::string withoutBytes(std::string_view text, std::string_view drop) {
    std::string kept;
    kept.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (isLeadByte(c) && i + 1 < text.size()) {
            kept += text[i];
            kept += text[++i];
        } else if (drop.find(char(c)) == std::string_view::npos) {
            kept += char(c);
        }
    }
    return kept;
}

} // namespace ravok
