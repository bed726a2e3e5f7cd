#include "base/encoding.h"

#include <cerrno>
#include <iconv.h>

namespace ravok {

namespace {
// glibc's CP932 table: SHIFT_JIS would turn 0x5C into a yen sign and lacks the
// NEC and IBM rows.
std::string convert(std::string_view text, const char* to, const char* from) {
    iconv_t cd = iconv_open(to, from);
    if (cd == iconv_t(-1)) return std::string(text);
    std::string out;
    out.reserve(text.size() * 3 / 2 + 8);
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    char buf[512];
    while (inLeft > 0) {
        char* o = buf;
        size_t oLeft = sizeof buf;
        size_t r = iconv(cd, &in, &inLeft, &o, &oLeft);
        out.append(buf, size_t(o - buf));
        if (r == size_t(-1)) {
            if (errno == E2BIG) continue;
            // Invalid or truncated sequence: one byte becomes '?'.
            out.push_back('?');
            ++in;
            --inLeft;
        }
    }
    iconv_close(cd);
    return out;
}
} // namespace

std::string cp932ToUtf8(std::string_view text) {
    for (unsigned char c : text) {
        if (c >= 0x80) return convert(text, "UTF-8", "CP932");
    }
    return std::string(text);
}

std::string utf8ToCp932(std::string_view text) {
    for (unsigned char c : text) {
        if (c >= 0x80) return convert(text, "CP932", "UTF-8");
    }
    return std::string(text);
}

} // namespace ravok
