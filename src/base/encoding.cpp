#include "base/encoding.h"

#include "base/cp932_table.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace ravok {

namespace {

bool isLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

int leadIndex(unsigned char c) { return c < 0xA0 ? c - 0x81 : c - 0xE0 + 31; }

void appendUtf8(std::string& out, char32_t u) {
    if (u < 0x80) {
        out.push_back(char(u));
    } else if (u < 0x800) {
        out.push_back(char(0xC0 | (u >> 6)));
        out.push_back(char(0x80 | (u & 0x3F)));
    } else if (u < 0x10000) {
        out.push_back(char(0xE0 | (u >> 12)));
        out.push_back(char(0x80 | ((u >> 6) & 0x3F)));
        out.push_back(char(0x80 | (u & 0x3F)));
    } else {
        out.push_back(char(0xF0 | (u >> 18)));
        out.push_back(char(0x80 | ((u >> 12) & 0x3F)));
        out.push_back(char(0x80 | ((u >> 6) & 0x3F)));
        out.push_back(char(0x80 | (u & 0x3F)));
    }
}

// One character from UTF-8 at i: its code and length, or length 0 for a
// malformed sequence (overlong forms, surrogates and cut sequences included).
struct TUtf8Char {
    char32_t code;
    size_t length;
};
TUtf8Char nextUtf8(std::string_view s, size_t i) {
    auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    unsigned char c = byte(i);
    if (c < 0x80) return {c, 1};
    size_t n;
    char32_t u, min;
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2, u = c & 0x1F, min = 0x80;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3, u = c & 0x0F, min = 0x800;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4, u = c & 0x07, min = 0x10000;
    } else {
        return {0, 0};
    }
    if (i + n > s.size()) return {0, 0};
    for (size_t k = 1; k < n; ++k) {
        unsigned char t = byte(i + k);
        if ((t & 0xC0) != 0x80) return {0, 0};
        u = (u << 6) | (t & 0x3F);
    }
    if (u < min || u > 0x10FFFF || (u >= 0xD800 && u < 0xE000)) return {0, 0};
    return {u, n};
}

// The CP932 form of a non-ASCII character, or 0 when it has none.
uint16_t toCp932(char32_t u) {
    if (u > 0xFFFF) return 0;
    const cp932::TUnicodePair* end = cp932::kFromUnicode + cp932::kFromUnicodeCount;
    const cp932::TUnicodePair* p = std::lower_bound(
        cp932::kFromUnicode, end, u,
        [](const cp932::TUnicodePair& pair, char32_t key) { return pair.unicode < key; });
    return p != end && p->unicode == u ? p->code : 0;
}

void appendCp932(std::string& out, uint16_t code) {
    if (code >= 0x100) out.push_back(char(code >> 8));
    out.push_back(char(code & 0xFF));
}

// UTF-8 to CP932: '?' for each byte of a broken sequence and for each
// character without a CP932 form, the first of which `source` notes.
void appendFromUtf8(std::string& out, std::string_view text, TSourceText* source) {
    out.reserve(out.size() + text.size());
    for (size_t i = 0; i < text.size();) {
        TUtf8Char ch = nextUtf8(text, i);
        uint16_t code = 0;
        if (ch.length == 0)
            ch = {0xFFFD, 1};
        else if (ch.code < 0x80)
            code = uint16_t(ch.code);
        else
            code = toCp932(ch.code);
        i += ch.length;
        if (code == 0 && ch.code != 0) {
            if (source && source->unmapped == 0) {
                source->unmapped = ch.code;
                source->unmappedOffset = out.size();
            }
            out.push_back('?');
        } else {
            appendCp932(out, code);
        }
    }
}

} // namespace

std::string cp932ToUtf8(std::string_view text) {
    if (allAscii(text)) return std::string(text);
    std::string out;
    out.reserve(text.size() * 3 / 2 + 8);
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            out.push_back(char(c));
        } else if (c >= 0xA1 && c <= 0xDF) {
            appendUtf8(out, 0xFF61 + (c - 0xA1)); // half-width katakana
        } else if (isLead(c) && i + 1 < text.size() &&
                   static_cast<unsigned char>(text[i + 1]) >= 0x40) {
            uint16_t u = cp932::kDoubleByte[leadIndex(c) * 192 +
                                            (static_cast<unsigned char>(text[i + 1]) - 0x40)];
            if (u) {
                appendUtf8(out, u);
                ++i;
            } else {
                out.push_back('?');
            }
        } else {
            // A byte that starts no character: one '?' for it alone, so the
            // next character still comes through.
            out.push_back('?');
        }
    }
    return out;
}

std::string utf8ToCp932(std::string_view text) {
    if (allAscii(text)) return std::string(text);
    std::string out;
    appendFromUtf8(out, text, nullptr);
    return out;
}

std::u32string utf8ToCodePoints(std::string_view text) {
    std::u32string out;
    for (size_t i = 0; i < text.size();) {
        TUtf8Char c = nextUtf8(text, i);
        out.push_back(c.length ? c.code : U'\uFFFD');
        i += c.length ? c.length : 1;
    }
    return out;
}

bool isValidUtf8(std::string_view bytes) {
    for (size_t i = 0; i < bytes.size();) {
        TUtf8Char ch = nextUtf8(bytes, i);
        if (ch.length == 0) return false;
        i += ch.length;
    }
    return true;
}

TSourceText decodeSourceText(std::string_view bytes) {
    TSourceText source;
    const bool bom = bytes.substr(0, 3) == "\xEF\xBB\xBF";
    if (bom) bytes.remove_prefix(3);
    if (!bom && (allAscii(bytes) || !isValidUtf8(bytes))) {
        source.text = std::string(bytes);
        return source;
    }
    source.fromUtf8 = true;
    // Only a file marked as UTF-8 has broken sequences here: each is noted
    // as U+FFFD, so the file is not silently cut.
    appendFromUtf8(source.text, bytes, &source);
    return source;
}

bool terminalIsShiftJis() {
    static const bool shiftJis = [] {
        const char* locale = nullptr;
        for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
            const char* value = std::getenv(name);
            if (value && *value) {
                locale = value;
                break;
            }
        }
        if (!locale) return false;
        std::string set = locale;
        size_t dot = set.find('.');
        if (dot == std::string::npos) return false;
        set = set.substr(dot + 1, set.find('@', dot) - dot - 1);
        std::string folded;
        for (char c : set)
            if (c != '-' && c != '_')
                folded.push_back(char(std::tolower(static_cast<unsigned char>(c))));
        return folded == "sjis" || folded == "shiftjis" || folded == "cp932" ||
               folded == "windows31j" || folded == "mskanji";
    }();
    return shiftJis;
}

std::string cp932ToTerminal(std::string_view text) {
    return terminalIsShiftJis() ? std::string(text) : cp932ToUtf8(text);
}

std::string utf8ToTerminal(std::string_view text) {
    return terminalIsShiftJis() ? utf8ToCp932(text) : std::string(text);
}

std::string unicodeName(char32_t c) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "U+%04X", unsigned(c));
    return buf;
}

bool allAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

} // namespace ravok
