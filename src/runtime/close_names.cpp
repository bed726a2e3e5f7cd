#include "runtime/close_names.h"

#include "runtime/function.h"
#include "runtime/messages.h"
#include "runtime/rtti.h"

#include <algorithm>

namespace ravok {

size_t editDistance(std::string_view a, std::string_view b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            size_t up = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = up;
        }
    }
    return row[b.size()];
}

std::string closestName(std::string_view name, const std::vector<std::string>& candidates) {
    std::string best;
    size_t bestDistance = name.size() < 4 ? 1 : 2;
    for (const std::string& candidate : candidates) {
        if (candidate == name || candidate.empty()) continue;
        size_t d = editDistance(name, candidate);
        if (d < bestDistance || (d == bestDistance && best.empty())) {
            best = candidate;
            bestDistance = d;
        }
    }
    return best;
}

std::vector<std::string> methodNames(const TRTTI* cls) {
    std::vector<std::string> names;
    if (!cls) return names;
    for (const TFunction* fn : cls->methods) {
        if (!fn) continue;
        std::string n = fn->nameText();
        // The player's own methods (_n_ natives, _errorHook) are not the
        // author's to call.
        if (n.empty() || n[0] == '_') continue;
        names.push_back(std::move(n));
    }
    return names;
}

namespace {
std::string didYouMean(const std::string& best) {
    return best.empty() ? std::string() : translate("Did you mean ") + best + "?";
}
} // namespace

std::string methodHint(std::string_view name, const TRTTI* cls) {
    return didYouMean(closestName(name, methodNames(cls)));
}

std::string fieldHint(std::string_view name, const TRTTI* cls) {
    if (!cls) return {};
    std::vector<std::string> names;
    for (int32_t i = 0; i < cls->fieldCount(); ++i) {
        const std::string& n = cls->fields.name(i);
        if (!n.empty() && n[0] != '_') names.push_back(n);
    }
    return didYouMean(closestName(name, names));
}

} // namespace ravok
