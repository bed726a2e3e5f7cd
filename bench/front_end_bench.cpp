// Front-end throughput: lexing and parsing a generated 10,000-line class
// source, and how parse time grows with the nesting depth of calls
// f(g(h(...))), with and without remembering name chains.
#include "compiler/yup.h"

#include <benchmark/benchmark.h>

#include <string>

namespace ravok {
namespace {

// A class source of about `lines` lines in the shape games are written in.
std::string generatedClass(int lines) {
    std::string s = "extends classes.scr.Sprite;\n";
    int n = 0;
    while (n < lines) {
        s += "// method " + std::to_string(n) + "\n";
        s += "function step" + std::to_string(n) + "(dx, dy) {\n";
        s += "  var t, u;\n";
        s += "  t = this.x + dx * 2 - dy / 3;\n";
        s += "  if (t > $screenWidth && !this.dead) { this.x = 0; } else this.x += 1;\n";
        s += "  for (i = 0; i < 10; i++) u = u + getkey(37 + i) * 0.5;\n";
        s += "  print(\"step \" + t + \" done\\n\");\n";
        s += "  return this.update(t, u).result;\n";
        s += "}\n";
        n += 9;
    }
    s += "while (1) { step0(1, 2); suspend(); }\n";
    return s;
}

void BM_LexAndParse(benchmark::State& state) {
    static const std::string source = generatedClass(10000);
    TYup& yup = TYup::instance();
    for (auto _ : state) {
        auto tokens = yup.Lex(source.c_str());
        tokens->filter([](const TLexElem& t) { return t.kindName() != "COMM"; });
        TParseOutcome out = yup.Parse(*tokens);
        if (!out.root) state.SkipWithError("the generated source did not parse");
        benchmark::DoNotOptimize(out.root.get());
    }
    state.SetBytesProcessed(int64_t(source.size()) * state.iterations());
}
BENCHMARK(BM_LexAndParse)->Unit(benchmark::kMillisecond);

void BM_Lex(benchmark::State& state) {
    static const std::string source = generatedClass(10000);
    for (auto _ : state)
        benchmark::DoNotOptimize(TYup::instance().Lex(source.c_str()));
    state.SetBytesProcessed(int64_t(source.size()) * state.iterations());
}
BENCHMARK(BM_Lex)->Unit(benchmark::kMillisecond);

void nestedCalls(benchmark::State& state, bool remember) {
    int depth = int(state.range(0));
    std::string source = "x = ";
    for (int i = 0; i < depth; ++i)
        source += "f(";
    source += "1" + std::string(size_t(depth), ')') + ";";
    auto tokens = TYup::instance().Lex(source.c_str());
    for (auto _ : state) {
        TParseOutcome out = parseTokens(TYup::instance().grammar(), *tokens, {remember});
        if (!out.root) state.SkipWithError("did not parse");
    }
}
void BM_NestedCalls(benchmark::State& state) { nestedCalls(state, true); }
void BM_NestedCallsReparsed(benchmark::State& state) { nestedCalls(state, false); }
BENCHMARK(BM_NestedCalls)->DenseRange(2, 20, 6)->Arg(50)->Arg(100)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_NestedCallsReparsed)->DenseRange(2, 20, 6)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace ravok
