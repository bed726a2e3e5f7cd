// The CP932 tables, generated at build time (tools/encoding/make_cp932_table.py)
// so that every build, the web one included, converts with the same rows.
#pragma once

#include <cstdint>

namespace ravok::cp932 {

// Lead bytes 0x81-0x9F and 0xE0-0xFC.
constexpr int kLeadCount = 60;
// Indexed by lead index * 192 + (trail - 0x40); 0 where the pair is no character.
extern const uint16_t kDoubleByte[kLeadCount * 192];

struct TUnicodePair {
    uint16_t unicode;
    uint16_t code; // one byte below 0x100, else lead << 8 | trail
};
constexpr int kFromUnicodeCount = 9280;
// Sorted by unicode; every non-ASCII character that has a CP932 form.
extern const TUnicodePair kFromUnicode[kFromUnicodeCount];

} // namespace ravok::cp932
