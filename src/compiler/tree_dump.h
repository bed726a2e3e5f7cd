// Printing tokens and parse trees, for `ravok --tokens` and `ravok --parse`.
#pragma once

#include "compiler/lexer.h"
#include "compiler/parse_tree.h"

#include <string>
#include <string_view>

namespace ravok {

// One line a token: LINE:COL, the token kind, the token text.
std::string dumpTokens(const TLexList& tokens, std::string_view source);

// One line a node, indented two blanks a level: the node class for a node,
// the token kind and text for a token.
std::string dumpTree(const TResultList& root);

} // namespace ravok
