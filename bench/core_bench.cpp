// Allocation with reuse, and hash-table put/get.
#include "runtime/class_builder.h"
#include "runtime/hash_table.h"
#include "runtime/pool.h"
#include "runtime/value_ops.h"

#include <benchmark/benchmark.h>

namespace ravok {
namespace {

// Allocate an instance, hold it, drop it: the next allocation reuses the record.
void BM_AllocateWithReuse(benchmark::State& state) {
    static TRTTI* cls =
        makeClass("BenchSmall", bootstrapCoreClasses().object, {"x", "y", "vx", "vy"});
    TValue holder = TValue::null();
    for (auto _ : state) {
        setObject(holder, allocateInstance(cls));
        setNull(holder);
    }
    state.counters["allocations/s"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_AllocateWithReuse);

void BM_HashPutGet(benchmark::State& state) {
    THashTable table(THashTable::Variant::Hash);
    int32_t i = 0;
    for (auto _ : state) {
        TValue key = TValue::ofInt(i++ & 1023);
        table.put(key, TValue::ofInt(i));
        benchmark::DoNotOptimize(table.get(key));
    }
    state.counters["put+get/s"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_HashPutGet);

} // namespace
} // namespace ravok
