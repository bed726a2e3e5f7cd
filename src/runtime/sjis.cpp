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
    return a.size() == b.size() && foldCase(a) == foldCase(b);
}

} // namespace ravok
