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

// The text without the single-byte characters listed in `drop`; a listed
// byte that is the second half of a double-byte character stays with it.
std::string withoutBytes(std::string_view text, std::string_view drop);

} // namespace ravok
