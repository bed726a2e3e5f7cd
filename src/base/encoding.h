// Conversion between the system's CP932 byte strings and UTF-8, used at the
// edges (terminal, file names, widgets, text rendering) and for sources that
// today's editors save as UTF-8.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ravok {

// Bytes that do not convert are replaced by '?', so output never fails.
std::string cp932ToUtf8(std::string_view text);
std::string utf8ToCp932(std::string_view text);

// The characters of UTF-8 text; a malformed byte becomes U+FFFD.
std::u32string utf8ToCodePoints(std::string_view text);

// Whether every byte is below 0x80: text that converts to itself.
bool allAscii(std::string_view text);

// Whether the bytes are well-formed UTF-8 (ASCII alone counts).
bool isValidUtf8(std::string_view bytes);

// A source file as the system reads it: a file that starts with a byte-order
// mark, or is valid UTF-8 and holds non-ASCII characters, is converted to
// CP932; any other file is taken as CP932 already.
struct TSourceText {
    std::string text;
    bool fromUtf8 = false;
    // The first character with no CP932 form (replaced by '?' in text), and
    // its offset in text: scripts must not run with a character silently lost.
    char32_t unmapped = 0;
    size_t unmappedOffset = 0;
};
TSourceText decodeSourceText(std::string_view bytes);

// Texts for standard output and standard error: UTF-8, or the system's text
// as it is when the locale's character set (LC_ALL, LC_CTYPE or LANG) is
// Shift-JIS.
bool terminalIsShiftJis();
std::string cp932ToTerminal(std::string_view text);
std::string utf8ToTerminal(std::string_view text);

// "U+1F600": how a message names a character it cannot show.
std::string unicodeName(char32_t c);

} // namespace ravok
