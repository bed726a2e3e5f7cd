#include "runtime/messages.h"

namespace ravok {

namespace {
TTranslator& translator() {
    static TTranslator t;
    return t;
}
} // namespace

std::string translate(std::string_view text) {
    auto& t = translator();
    if (!t || text.empty()) return std::string(text);
    std::string out = t(text);
    return out.empty() ? std::string(text) : out;
}

void setTranslator(TTranslator t) { translator() = std::move(t); }

} // namespace ravok
