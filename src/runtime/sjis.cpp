#include "runtime/sjis.h"

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
    uint64_t h = 14695981039346656037ull;
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    for (size_t i = 0, n = text.size(); i < n; ++i) {
        unsigned int c = p[i];
        if (c < 0x80) {
            c |= unsigned(c - 'A' < 26u) << 5; // an upper-case letter lowered
        } else if (isLeadByte(uint8_t(c)) && i + 1 < n) {
            h = (h ^ c) * 1099511628211ull;
            c = p[++i]; // the trail byte, as it is
        }
        h = (h ^ c) * 1099511628211ull;
    }
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
