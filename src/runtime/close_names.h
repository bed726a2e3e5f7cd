// "Did you mean ...?": the name among those in scope that a misspelling most
// likely meant, for the reports of undefined methods and variables.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ravok {

class TRTTI;

size_t editDistance(std::string_view a, std::string_view b);

// The closest candidate: one edit away for names under four characters, two
// for longer ones; "" when none is that close.
std::string closestName(std::string_view name, const std::vector<std::string>& candidates);

// The methods a class has, its inherited ones included.
std::vector<std::string> methodNames(const TRTTI* cls);

// "Did you mean NAME?" for a method missing from cls, or "".
std::string methodHint(std::string_view name, const TRTTI* cls);
// The same for a field the object lacks.
std::string fieldHint(std::string_view name, const TRTTI* cls);

} // namespace ravok
