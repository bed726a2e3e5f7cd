// The lexical and grammar tables, embedded into the binary at build time from
// src/compiler/tables/.
#pragma once

#include <string_view>

namespace ravok {

std::string_view lexicalTableText();
std::string_view grammarTableText();

} // namespace ravok
