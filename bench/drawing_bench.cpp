// Drawing a frame: N 32 x 32 colour-keyed pattern sprites (and rotated,
// translucent ones) sorted and drawn onto a 640 x 480 back surface, as
// DrawAll does after the drawing frame.
#include "resources/host_files.h"
#include "screen/patterns.h"
#include "screen/sprites.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>

namespace ravok {
namespace {

// A sheet with one 32 x 32 cell: a disc on the frame colour (the key).
void makeSheet() {
    static bool made = false;
    if (made) return;
    made = true;
    // Two background columns right of the frame, as the cutter needs.
    auto sheet = TSurface::create(37, 36);
    sheet->fillRect({0, 0, 37, 36}, 0xFFFFFF);
    sheet->fillRect({1, 1, 35, 35}, 0xFF00FF);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            if ((x - 15.5) * (x - 15.5) + (y - 15.5) * (y - 15.5) < 240)
                sheet->fillRect({2 + x, 2 + y, 3 + x, 3 + y}, 0x3080F0 + x * 4);
    std::string file = "/tmp/ravok_drawing_bench.png";
    sheet->savePng(file);
    patternList().clear();
    patternList().add(fromHostPath(file));
}

void frame(benchmark::State& state, bool rotated) {
    makeSheet();
    auto back = TSurface::create(690, 530);
    TSpriteList list;
    std::mt19937 random(7);
    int64_t n = state.range(0);
    for (auto _ : state) {
        // What the scripts and DrawAll do each drawing frame: record, clear,
        // sort and draw.
        list.clear();
        for (int64_t i = 0; i < n; ++i) {
            TGrpSprite* s;
            if (rotated) {
                auto& dx = list.make<TDxGrpSprite>();
                dx.angle = int32_t(random() % 360);
                dx.alpha = 160;
                s = &dx;
            } else {
                s = &list.make<TGrpSprite>();
            }
            s->pattern = 0;
            s->x = int32_t(random() % 640);
            s->y = int32_t(random() % 480);
            s->zOrder = int32_t(random() % 16);
        }
        back->fillRect({0, 0, 640, 480}, 0x203060);
        list.drawAll(*back);
    }
    state.counters["sprites/s"] =
        benchmark::Counter(double(state.iterations() * n), benchmark::Counter::kIsRate);
}

void BM_DrawKeyedSprites(benchmark::State& state) { frame(state, false); }
BENCHMARK(BM_DrawKeyedSprites)
    ->Arg(1000)
    ->Arg(5000)
    ->Arg(10000)
    ->Arg(30000)
    ->Unit(benchmark::kMillisecond);

void BM_DrawRotatedTranslucentSprites(benchmark::State& state) { frame(state, true); }
BENCHMARK(BM_DrawRotatedTranslucentSprites)->Arg(1000)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace ravok
