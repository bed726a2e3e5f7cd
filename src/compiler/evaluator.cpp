#include "compiler/evaluator.h"

#include "compiler/class_compiler.h"

#include "base/time_analyzer.h"
#include "resources/resource_reader.h"
#include "runtime/interpreter.h"
#include "runtime/native_api.h"
#include "runtime/pool.h"
#include "runtime/process.h"
#include "runtime/resource.h"
#include "runtime/rtti.h"

#include <memory>
#include <unordered_map>

namespace ravok {

namespace {
int gEvalCounter = 0;

// Compiled snippets by their text. The runtime evaluates the same few texts
// over and over (every split() runs one), and a class compiled each time
// would take a class id and a function id for good on every call. An entry
// holds while the resource tree is as it was when the snippet was compiled,
// because the code is linked to global cells and classes of that tree.
struct TCachedSnippet {
    std::shared_ptr<TRTTI> cls;
    uint64_t treeChanges = 0;
    int64_t uses = 0;
};
constexpr size_t kMaxCachedSnippets = 256;

std::unordered_map<std::string, TCachedSnippet>& snippetCache() {
    static auto* cache = new std::unordered_map<std::string, TCachedSnippet>();
    return *cache;
}

std::shared_ptr<TRTTI> compileSnippet(std::string_view text, bool reportErrors) {
    auto& cache = snippetCache();
    auto found = cache.find(std::string(text));
    if (found != cache.end() && found->second.treeChanges == gResourceTreeChanges) {
        ++found->second.uses;
        return found->second.cls;
    }
    auto resource =
        readResourceText("<class name=\"eval" + std::to_string(gEvalCounter++) + "\" src=\"\"/>");
    std::shared_ptr<TRTTI> cls(dynamic_cast<TRTTI*>(resource.release()));
    if (!cls || CompileClass(cls.get(), text, {reportErrors, nullptr, false}) || !cls->compiled)
        return nullptr;
    if (cache.size() >= kMaxCachedSnippets) cache.clear();
    // A run that holds a class keeps it alive through its own reference when
    // the cache lets go of it.
    cache[std::string(text)] = {cls, gResourceTreeChanges, 1};
    return cls;
}
} // namespace

std::vector<std::pair<std::string, int64_t>> cachedSnippets() {
    std::vector<std::pair<std::string, int64_t>> list;
    for (const auto& [text, entry] : snippetCache())
        if (entry.treeChanges == gResourceTreeChanges) list.emplace_back(text, entry.uses);
    return list;
}

int evaluate(std::string_view text, bool reportErrors) {
    BeginSection(70);
    std::shared_ptr<TRTTI> cls = compileSnippet(text, reportErrors);
    int status = 1;
    if (cls) {
        uint32_t instance = allocateInstance(cls.get());
        TProcess* p = createProcess(TValue::ofObject(instance), {}, std::string_view());
        p->hostOwned = true;
        bool preempted = Preempted;
        BeginSection(72);
        while (!p->finished)
            run(p, kUnlimitedBudget);
        EndSection(72);
        Preempted = preempted;
        status = p->exitState == 2 ? 2 : 0;
        freeProcess(p);
        destroyInstance(instance);
    }
    EndSection(70);
    return status;
}

TValue* valueOf(std::string_view expression) {
    evaluate("extends Object; $_tmp_valueOf=" + std::string(expression) + ";");
    return native::globalCell("$_tmp_valueOf");
}

namespace {
class TCompilingEvaluator : public native::TScriptEvaluator {
public:
    TValue* evaluate(std::string_view expression) override { return valueOf(expression); }
    int evaluateStatements(std::string_view text, bool reportErrors) override {
        return ravok::evaluate(text, reportErrors);
    }
};
} // namespace

native::TScriptEvaluator& compilingEvaluator() {
    static TCompilingEvaluator evaluator;
    return evaluator;
}

} // namespace ravok
