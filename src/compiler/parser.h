// The parser: ordered-choice, backtracking matching of the grammar table over
// a token list. Nothing is memoised; every failure puts the cursor back where
// the failing construct began.
#pragma once

#include "lexer.h"
#include "parse_tree.h"

#include <memory>

namespace ravok {

class TTable;

struct TParseOutcome {
    std::unique_ptr<TResList> root; // G_Program, or nullptr
    // The nesting went deeper than the parser follows (a guard for the host
    // stack); the parse failed for that reason.
    bool tooDeep = false;
};

// Matches the start rule from token 0; succeeds only when every token is
// consumed. tokens.LastStart is the position to report when it fails.
TParseOutcome parseTokens(const TTable& grammar, TLexList& tokens);

// How many nested rule matches the parser follows before it gives up.
constexpr int kMaxParseDepth = 3000;

} // namespace ravok
