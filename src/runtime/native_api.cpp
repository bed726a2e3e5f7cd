#include "runtime/native_api.h"

#include "base/seam.h"

#include "runtime/errors.h"
#include "runtime/messages.h"
#include "runtime/sjis.h"
#include "runtime/tf_string.h"

#include <cstring>
#include <map>

namespace ravok::native {

namespace {

TGlobalScope gOwnScope;
constinit TSeam<TGlobalScope> gScope(gOwnScope);
TScriptEvaluator gNoEvaluation;
constinit TSeam<TScriptEvaluator> gEvaluator(gNoEvaluation);

} // namespace

// Globals before the resource tree exists: one arena cell per name, found
// without regard to case, never freed (a vtRef may point at it).
TValue* TGlobalScope::globalCell(std::string_view name) {
    static auto* cells = new std::map<std::string, TArenaOffset>();
    auto [it, added] = cells->try_emplace(foldCase(name), 0);
    if (added) {
        it->second = TArena::instance().allocate(sizeof(TValue));
        *arenaPtr<TValue>(it->second) = TValue::null();
    }
    return arenaPtr<TValue>(it->second);
}

TValue* TScriptEvaluator::evaluate(std::string_view) {
    throw ERunError(translate("Script evaluation is not available."));
}

int TScriptEvaluator::evaluateStatements(std::string_view, bool) {
    throw ERunError(translate("Script evaluation is not available."));
}

TGlobalScope& globalScope() { return gScope.get(); }
void setGlobalScope(TGlobalScope* scope) { gScope.install(scope); }
TScriptEvaluator& scriptEvaluator() { return gEvaluator.get(); }
void setScriptEvaluator(TScriptEvaluator* evaluator) { gEvaluator.install(evaluator); }

size_t text(const TValue& v, char* buffer, size_t size) {
    std::string t = valueToText(v);
    if (buffer && size > 0) {
        size_t n = std::min(t.size(), size - 1);
        std::memcpy(buffer, t.data(), n);
        buffer[n] = '\0';
    }
    return t.size();
}

void refuseHandle(const TValue& v, const char* what) {
    if (v.kind != vtNative) throw ERunError(valueToText(v) + " is not a " + what + " handle.");
    throwBadHandle(v.u, what);
}

std::string_view textView(const TValue& v, std::string& scratch) {
    if (isStringValue(v)) return stringText(v.u);
    scratch = valueToText(v);
    return scratch;
}

void setString(TValue& v, std::string_view text) { setObject(v, makeString(text)); }

TValue* globalCell(std::string_view name) {
    if (name.empty() || name[0] != '$') return nullptr;
    return gScope.get().globalCell(name);
}

void setGlobal(std::string_view name, const TValue& v) {
    if (TValue* cell = globalCell(name)) assign(*cell, &v);
}

TValue* evaluate(std::string_view expression) { return gEvaluator.get().evaluate(expression); }
int evaluateStatements(std::string_view text, bool reportErrors) {
    return gEvaluator.get().evaluateStatements(text, reportErrors);
}

} // namespace ravok::native
