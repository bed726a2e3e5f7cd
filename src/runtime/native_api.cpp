#include "runtime/native_api.h"

#include "runtime/errors.h"
#include "runtime/messages.h"
#include "runtime/sjis.h"
#include "runtime/tf_string.h"

#include <cstring>
#include <map>

namespace ravok::native {

namespace {

// Globals before the resource tree exists: one arena cell per name, found
// without regard to case, never freed (a vtRef may point at it).
TValue* ownGlobalCell(std::string_view name) {
    static auto* cells = new std::map<std::string, TArenaOffset>();
    auto [it, added] = cells->try_emplace(foldCase(name), 0);
    if (added) {
        it->second = TArena::instance().allocate(sizeof(TValue));
        *arenaPtr<TValue>(it->second) = TValue::null();
    }
    return arenaPtr<TValue>(it->second);
}

TValue* noEvaluation(std::string_view) {
    throw ERunError(translate("Script evaluation is not available."));
}

int noStatements(std::string_view, bool) {
    throw ERunError(translate("Script evaluation is not available."));
}

TGlobalCellHook gGlobalCell = ownGlobalCell;
TEvaluateHook gEvaluate = noEvaluation;
TStatementsHook gStatements = noStatements;

} // namespace

size_t text(const TValue& v, char* buffer, size_t size) {
    std::string t = valueToText(v);
    if (buffer && size > 0) {
        size_t n = std::min(t.size(), size - 1);
        std::memcpy(buffer, t.data(), n);
        buffer[n] = '\0';
    }
    return t.size();
}

void setString(TValue& v, std::string_view text) { setObject(v, makeString(text)); }

TValue* globalCell(std::string_view name) {
    if (name.empty() || name[0] != '$') return nullptr;
    return gGlobalCell(name);
}

void setGlobal(std::string_view name, const TValue& v) {
    if (TValue* cell = globalCell(name)) assign(*cell, &v);
}

TValue* evaluate(std::string_view expression) { return gEvaluate(expression); }
int evaluateStatements(std::string_view text, bool reportErrors) {
    return gStatements(text, reportErrors);
}

void setGlobalCellHook(TGlobalCellHook hook) { gGlobalCell = hook ? hook : ownGlobalCell; }
void setEvaluateHook(TEvaluateHook hook) { gEvaluate = hook ? hook : noEvaluation; }
void setStatementsHook(TStatementsHook hook) { gStatements = hook ? hook : noStatements; }

} // namespace ravok::native
