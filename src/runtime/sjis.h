// Shift-JIS (CP932) byte-string helpers. Text inside the system is CP932 bytes;
// the second byte of a double-byte character can fall in 'A'-'Z' or be '\\',
// so case folding and splitting must step over whole characters.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ravok {

// The first byte of a two-byte character, as the character functions treat it.
inline bool isLeadByte(unsigned char c) { return (c >= 0x80 && c <= 0x9F) || c >= 0xE0; }

// ASCII letters lowered; double-byte characters copied unchanged.
std::string foldCase(std::string_view text);

bool equalsNoCase(std::string_view a, std::string_view b);

// A hash of the text as foldCase would give it, without making the folded
// copy: equal for any two texts equalsNoCase finds equal.
size_t hashNoCase(std::string_view text);

// For maps keyed by names that are looked up whatever their case, by a view.
struct TNoCaseHash {
    using is_transparent = void;
    size_t operator()(std::string_view text) const { return hashNoCase(text); }
};
struct TNoCaseEqual {
    using is_transparent = void;
    // Names are mostly looked up as they were first spelt.
    bool operator()(std::string_view a, std::string_view b) const {
        return a.size() == b.size() && (a == b || equalsNoCase(a, b));
    }
};

// The text without the single-byte characters listed in `drop`; a listed
// byte that is the second half of a double-byte character stays with it.
std::string withoutBytes(std::string_view text, std::string_view drop);

} // namespace ravok
