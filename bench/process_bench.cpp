// Process creation and calls: processes created, run and freed per second, and
// calls per second through Op_DCall (cache warm) against Op_SCall.
#include "loop_code.h"
#include "runtime/class_builder.h"
#include "runtime/interpreter.h"
#include "runtime/pool.h"
#include "runtime/process.h"
#include "runtime/symbols.h"
#include "runtime/tf_object.h"

#include <benchmark/benchmark.h>

namespace ravok {
namespace {

TRTTI* workerClass() {
    static TRTTI* cls = [] {
        TRTTI* c = makeClass("BenchWorker", bootstrapCoreClasses().object);
        TCodeWriter once; // once() { return this; }
        once.emit(Op_PushThis);
        once.emit(Op_Ret);
        once.emitHalt();
        addCodeMethod(c, "once", 0, 0, once);
        return c;
    }();
    return cls;
}

void BM_ProcessCreateRunFree(benchmark::State& state) {
    uint32_t instance = allocateInstance(workerClass());
    ++objectAt(instance)->refcount;
    for (auto _ : state) {
        TProcess* p = createProcess(TValue::ofObject(instance), {}, "once");
        run(p, kUnlimitedBudget);
        freeProcess(p);
    }
    state.counters["processes/s"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ProcessCreateRunFree);

constexpr int32_t kCalls = 1000000;

// loop() { l0 = 0; while (l0 < N) { this.f(); l0 += 1; } return l0; } with the
// call written as Op_DCall or Op_SCall.
TRTTI* callerClass(bool dynamic) {
    TRTTI* c = makeClass(dynamic ? "BenchDCall" : "BenchSCall", workerClass());
    TCodeWriter w;
    emitCountedLoop(w, kCalls, [&](TCodeWriter& b) {
        b.emit(Op_PushThis);
        if (dynamic)
            b.emitDCall(0, intern("once"));
        else
            b.emit(Op_SCall, {0, uint32_t(c->methodIndexByName("once"))});
        b.emit(Op_Pop);
        emitIncrement(b);
    });
    addCodeMethod(c, "loop", 0, 1, w);
    return c;
}

void runCalls(benchmark::State& state, TRTTI* cls) {
    uint32_t instance = allocateInstance(cls);
    ++objectAt(instance)->refcount;
    ReportPreemption = false;
    for (auto _ : state) {
        TProcess* p = createProcess(TValue::ofObject(instance), {}, "loop");
        while (!p->finished)
            run(p, kUnlimitedBudget);
        if (!p->result || p->result->i != kCalls) state.SkipWithError("wrong result");
        freeProcess(p);
    }
    state.counters["calls/s"] = benchmark::Counter(double(kCalls) * double(state.iterations()),
                                                   benchmark::Counter::kIsRate);
}

void BM_DynamicCall(benchmark::State& state) {
    static TRTTI* cls = callerClass(true);
    runCalls(state, cls);
}
void BM_StaticCall(benchmark::State& state) {
    static TRTTI* cls = callerClass(false);
    runCalls(state, cls);
}
BENCHMARK(BM_DynamicCall)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StaticCall)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace ravok
