// Snippet evaluation: script text that is not a class file runs as the
// initialisation code of a class made for it ("eval" + a counter), to its
// end, inside the caller.
#pragma once

#include "runtime/native_api.h"
#include "runtime/value.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ravok {

// 0 ran to the end, 1 did not compile, 2 ended with a fatal run-time error.
int evaluate(std::string_view text, bool reportErrors = true);
// The snippets compiled and kept for reuse: each text with its use count.
std::vector<std::pair<std::string, int64_t>> cachedSnippets();
// The cell of $_tmp_valueOf after "extends Object; $_tmp_valueOf=EXPR;".
TValue* valueOf(std::string_view expression);

// Evaluation of script text through the compiler; the players install it
// (native::setScriptEvaluator).
native::TScriptEvaluator& compilingEvaluator();

} // namespace ravok
