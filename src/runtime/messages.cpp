#include "runtime/messages.h"

#include "base/seam.h"

namespace ravok {

namespace {
TTranslator gIdentity;
constinit TSeam<TTranslator> gTranslator(gIdentity);
} // namespace

std::string translate(std::string_view text) {
    if (text.empty()) return std::string(text);
    std::string out = gTranslator.get().translate(text);
    return out.empty() ? std::string(text) : out;
}

TTranslator& translator() { return gTranslator.get(); }
void setTranslator(TTranslator* t) { gTranslator.install(t); }

} // namespace ravok
