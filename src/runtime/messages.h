// Translation of fixed message pieces. Every fixed text the engine shows goes
// through translate() piece by piece. The default translator lets every text
// stand for itself; the players install the message table.
#pragma once

#include <string>
#include <string_view>

namespace ravok {

class TTranslator {
public:
    virtual ~TTranslator() = default;
    // The translation, or empty when there is none.
    virtual std::string translate(std::string_view) const { return {}; }
};

// The installed translation of text, or text itself when it has none.
std::string translate(std::string_view text);

TTranslator& translator();
// nullptr restores the identity.
void setTranslator(TTranslator* translator);

} // namespace ravok
