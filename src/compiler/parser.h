// The parser: ordered-choice, backtracking matching of the grammar table over
// a token list. Every failure puts the cursor back where the failing construct
// began.
//
// Alternatives that share a prefix re-parse it: an expression statement parses
// its first name chain once as a possible assignment target and again as a
// value, and so does every argument inside it, so without help the time
// doubles with each level of nested calls (f(g(h(...)))). The result of
// matching a name chain (LVal) at a position is therefore remembered for the
// parse and replayed as a copy: the trees and LastStart come out exactly as
// re-parsing would make them.
#pragma once

#include "compiler/lexer.h"
#include "compiler/parse_tree.h"

#include <memory>

namespace ravok {

class TTable;

struct TParseOutcome {
    std::unique_ptr<TResList> root; // G_Program, or nullptr
    // The nesting went deeper than the parser follows (a guard for the host
    // stack); the parse failed for that reason.
    bool tooDeep = false;
};

struct TParseOptions {
    bool rememberNameChains = true; // off only to measure what it saves
};

// Matches the start rule from token 0; succeeds only when every token is
// consumed. tokens.LastStart is the position to report when it fails.
TParseOutcome parseTokens(const TTable& grammar, TLexList& tokens, TParseOptions options = {});

// How many nested rule matches the parser follows before it gives up.
constexpr int kMaxParseDepth = 3000;

} // namespace ravok
