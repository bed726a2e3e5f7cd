#include "runtime/markup_escape.h"

namespace ravok {

namespace {
// None of the four characters can be the second byte of a double-byte
// character (those are 0x40 and above), so replacing bytes is replacing
// characters.
std::string replaceAll(std::string text, std::string_view from, std::string_view to) {
    std::string out;
    size_t at = 0;
    while (true) {
        size_t hit = text.find(from, at);
        if (hit == std::string::npos) break;
        out.append(text, at, hit - at);
        out.append(to);
        at = hit + from.size();
    }
    out.append(text, at, std::string::npos);
    return out;
}
} // namespace

std::string escapeMarkup(std::string_view text) {
    std::string s(text);
    s = replaceAll(std::move(s), "%", "%25");
    s = replaceAll(std::move(s), "\"", "%22");
    s = replaceAll(std::move(s), "<", "%3c");
    s = replaceAll(std::move(s), ">", "%3e");
    return s;
}

std::string unescapeMarkup(std::string_view text) {
    std::string s(text);
    s = replaceAll(std::move(s), "%3c", "<");
    s = replaceAll(std::move(s), "%3e", ">");
    s = replaceAll(std::move(s), "%22", "\"");
    s = replaceAll(std::move(s), "%25", "%");
    return s;
}

} // namespace ravok
