// Interpreter throughput on hand-assembled loops, in instructions per second.
// Each benchmark iteration runs one process to its end in slices of the normal
// budget, as the main loop would.
#include "class_builder.h"
#include "interpreter.h"
#include "pool.h"
#include "process.h"
#include "symbols.h"
#include "value_ops.h"

#include <benchmark/benchmark.h>

#include <functional>

namespace ravok {
namespace {

constexpr int32_t kIterations = 1000000;

struct Loop {
    TRTTI* cls;
    int instructionsPerTurn;
};

// while (l0 < N) { <body>; } return l0;  -- the body must advance l0. The
// loop's own control costs 5 instructions a turn once fused: the local read,
// the bound, the compare, the branch and the jump back.
void emitLoop(TCodeWriter& w, const std::function<void(TCodeWriter&)>& body) {
    w.emit(Op_LocalValPtr, {0});
    w.emitPush(TValue::ofInt(0));
    w.emit(Op_Subst);
    w.emit(Op_Pop);
    uint32_t top = w.position();
    w.emit(Op_LocalValPtr, {0});
    w.emit(Op_Deref);
    w.emitPush(TValue::ofInt(kIterations));
    w.emit(Op_LT);
    uint32_t exit = w.emitJump(Op_JumpZero);
    body(w);
    w.patchJump(w.emitJump(Op_Jump), top);
    w.patchJump(exit, w.position());
    w.emit(Op_LocalValPtr, {0});
    w.emit(Op_Deref);
    w.emit(Op_Ret);
    w.emitHalt();
}

void emitIncrement(TCodeWriter& w) { // l0 += 1
    w.emit(Op_LocalValPtr, {0});
    w.emitPush(TValue::ofInt(1));
    w.emit(Op_AddSubst);
    w.emit(Op_Pop);
}

Loop localIncrement() {
    TRTTI* cls = makeClass("BenchLocal", bootstrapCoreClasses().object);
    TCodeWriter w;
    emitLoop(w, emitIncrement);
    addCodeMethod(cls, "loop", 0, 1, w);
    return {cls, 5 + 4};
}

Loop fieldByName() {
    TRTTI* cls = makeClass("BenchField", bootstrapCoreClasses().object, {"pad", "step"});
    TCodeWriter w;
    emitLoop(w, [&](TCodeWriter& b) { // l0 += this.step (by name, through the cache)
        b.emit(Op_LocalValPtr, {0});
        b.emit(Op_PushThis);
        b.emitDMember(intern("step"));
        b.emit(Op_Deref);
        b.emit(Op_AddSubst);
        b.emit(Op_Pop);
    });
    addCodeMethod(cls, "loop", 0, 1, w);
    return {cls, 5 + 5};
}

Loop callAndReturn() {
    TRTTI* cls = makeClass("BenchCall", bootstrapCoreClasses().object);
    TCodeWriter f; // f() { return 1; }
    f.emitPush(TValue::ofInt(1));
    f.emit(Op_Ret);
    f.emitHalt();
    addCodeMethod(cls, "f", 0, 0, f);
    TCodeWriter w;
    emitLoop(w, [&](TCodeWriter& b) { // l0 += this.f();
        b.emit(Op_LocalValPtr, {0});
        b.emit(Op_PushThis);
        b.emitDCall(0, intern("f"));
        b.emit(Op_AddSubst);
        b.emit(Op_Pop);
    });
    addCodeMethod(cls, "loop", 0, 1, w);
    return {cls, 5 + 4 + 2};
}

void runLoop(benchmark::State& state, const Loop& loop) {
    uint32_t instance = allocateInstance(loop.cls);
    ++objectAt(instance)->refcount;
    int32_t step = loop.cls->fields.indexOf(intern("step"));
    if (step >= 0) objectAt(instance)->field(step) = TValue::ofInt(1);
    ReportPreemption = false;
    for (auto _ : state) {
        TProcess* p = createProcess(TValue::ofObject(instance), {}, "loop");
        while (!p->finished)
            run(p, kUnlimitedBudget);
        benchmark::DoNotOptimize(p->result->i);
        if (p->result->i != kIterations) state.SkipWithError("wrong result");
        freeProcess(p);
    }
    double perRun = double(kIterations) * loop.instructionsPerTurn;
    state.counters["instr/s"] =
        benchmark::Counter(perRun * double(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_LocalIncrement(benchmark::State& state) {
    static Loop loop = localIncrement();
    runLoop(state, loop);
}
void BM_FieldReadByName(benchmark::State& state) {
    static Loop loop = fieldByName();
    runLoop(state, loop);
}
void BM_CallAndReturn(benchmark::State& state) {
    static Loop loop = callAndReturn();
    runLoop(state, loop);
}

BENCHMARK(BM_LocalIncrement)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FieldReadByName)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CallAndReturn)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace ravok
