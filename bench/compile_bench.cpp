// Compile time of a generated 5,000-line class, from source and from its
// class cache file.
#include "compiler/class_cache.h"
#include "compiler/class_compiler.h"
#include "resources/host_files.h"
#include "resources/program_paths.h"
#include "runtime/class_builder.h"

#include "base/encoding.h"

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace ravok {
namespace {

std::string generatedSource(int lines) {
    std::string s;
    int n = 0;
    while (n < lines) {
        s += "function step" + std::to_string(n) +
             "(dx, dy) {\n  var t, u;\n  t = x + dx * 2 - dy / 3;\n";
        s += "  if (t > $screenWidth && !dead) { x = 0; } else x += 1;\n";
        s += "  for (i = 0; i < 10; i++) u = u + t * 0.5;\n  return t + u;\n}\n";
        n += 7;
    }
    return s + "while (1) { step0(1, 2); }\n";
}

struct TFixture {
    TFixture() {
        char tmpl[] = "/tmp/ravok-compile-bench-XXXXXX";
        host = mkdtemp(tmpl);
        setProgramDirectory(fromHostPath(host));
        source = fromHostPath(host) + "\\Big.ravok";
        text = generatedSource(5000);
        writeWholeFile(source, text);
    }
    ~TFixture() {
        if (std::system(("rm -rf '" + host + "'").c_str()) != 0) std::abort();
    }
    std::string host, source, text;
};

void compileOnce(benchmark::State& state, const TFixture& f, bool cache) {
    const TBootstrapClasses& core = bootstrapCoreClasses();
    TRTTI* cls = makeClass("Big", core.object);
    cls->compiled = false;
    cls->sourceFile = f.source;
    if (CompileClass(cls, f.text, {false, core.object, cache}) || !cls->compiled)
        state.SkipWithError("did not compile");
    delete cls;
}

void BM_CompileFromSource(benchmark::State& state) {
    static TFixture f;
    for (auto _ : state)
        compileOnce(state, f, false);
    state.SetBytesProcessed(int64_t(f.text.size()) * state.iterations());
}
BENCHMARK(BM_CompileFromSource)->Unit(benchmark::kMillisecond);

void BM_CompileFromCache(benchmark::State& state) {
    static TFixture f;
    compileOnce(state, f, true); // writes the cache file
    for (auto _ : state)
        compileOnce(state, f, true);
    state.SetBytesProcessed(int64_t(f.text.size()) * state.iterations());
}
BENCHMARK(BM_CompileFromCache)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace ravok
