#include "runtime/messages.h"

namespace ravok {

namespace {
TTranslator gIdentity;
TTranslator* gTranslator = &gIdentity;
} // namespace

std::string translate(std::string_view text) {
    if (text.empty()) return std::string(text);
    std::string out = gTranslator->translate(text);
    return out.empty() ? std::string(text) : out;
}

TTranslator& translator() { return *gTranslator; }
void setTranslator(TTranslator* t) { gTranslator = t ? t : &gIdentity; }

} // namespace ravok
