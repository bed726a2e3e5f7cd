// Interpreter throughput on hand-assembled loops, in instructions per second.
// Each benchmark iteration runs one process to its end in slices of the normal
// budget, as the main loop would.
#include "loop_code.h"
#include "runtime/class_builder.h"
#include "runtime/interpreter.h"
#include "runtime/pool.h"
#include "runtime/process.h"
#include "runtime/symbols.h"
#include "runtime/value_ops.h"

#include <benchmark/benchmark.h>

namespace ravok {
namespace {

constexpr int32_t kIterations = 1000000;

struct Loop {
    TRTTI* cls;
    int instructionsPerTurn;
};

Loop localIncrement() {
    TRTTI* cls = makeClass("BenchLocal", bootstrapCoreClasses().object);
    TCodeWriter w;
    emitCountedLoop(w, kIterations, emitIncrement);
    addCodeMethod(cls, "loop", 0, 1, w);
    return {cls, 5 + 4};
}

Loop fieldByName() {
    TRTTI* cls = makeClass("BenchField", bootstrapCoreClasses().object, {"pad", "step"});
    TCodeWriter w;
    emitCountedLoop(w, kIterations,
                    [&](TCodeWriter& b) { // l0 += this.step (by name, through the cache)
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
    emitCountedLoop(w, kIterations, [&](TCodeWriter& b) { // l0 += this.f();
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
