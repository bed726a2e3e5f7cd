// Translation of fixed message pieces. Every fixed text the engine shows goes
// through translate() piece by piece; the message table installs itself here
// once it is loaded, and until then every text stands for itself.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace ravok {

using TTranslator = std::function<std::string(std::string_view)>;

std::string translate(std::string_view text);

// Installs the table's look-up; an empty function restores the identity.
void setTranslator(TTranslator translator);

} // namespace ravok
