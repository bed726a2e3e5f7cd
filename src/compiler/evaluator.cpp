#include "compiler/evaluator.h"

#include "compiler/class_compiler.h"

#include "base/time_analyzer.h"
#include "resources/resource_reader.h"
#include "runtime/interpreter.h"
#include "runtime/native_api.h"
#include "runtime/pool.h"
#include "runtime/process.h"
#include "runtime/rtti.h"

namespace ravok {

namespace {
int gEvalCounter = 0;
} // namespace

int evaluate(std::string_view text, bool reportErrors) {
    BeginSection(70);
    auto resource =
        readResourceText("<class name=\"eval" + std::to_string(gEvalCounter++) + "\" src=\"\"/>");
    std::unique_ptr<TRTTI> cls(dynamic_cast<TRTTI*>(resource.release()));
    int status = 1;
    if (cls && !CompileClass(cls.get(), text, {reportErrors, nullptr, false}) && cls->compiled) {
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
