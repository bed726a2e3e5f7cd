// The player's own words in the reader's language, as GTK takes them: the
// message table holds them in the game's code page, widgets want UTF-8.
#pragma once

#include "base/encoding.h"
#include "runtime/messages.h"

#include <string>

namespace ravok {

inline std::string said(const char* text) { return cp932ToUtf8(translate(text)); }

} // namespace ravok
