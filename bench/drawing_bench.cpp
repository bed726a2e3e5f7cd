// Drawing a frame: N 32 x 32 colour-keyed pattern sprites (and rotated,
// translucent ones) sorted and drawn onto a 640 x 480 back surface, as
// DrawAll does after the drawing frame.
#include "resources/host_files.h"
#include "screen/patterns.h"
#include "screen/sprites.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

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
    ->Arg(60000)
    ->Unit(benchmark::kMillisecond);

// The limit a keyed copy is measured against: the same bytes moved by plain
// memcpy, 32 rows of 128 bytes from one 32 x 32 cell to N places of a
// 690 x 530 surface, with no key and no clipping. With two threads each
// copies half the places into its own surface, as the two halves of a frame.
void BM_CopyLimit(benchmark::State& state) {
    constexpr int kWidth = 690, kHeight = 530;
    std::vector<uint32_t> cell(32 * 32, 0x3080F0), back(size_t(kWidth) * kHeight);
    std::mt19937 random(7 + uint32_t(state.thread_index()));
    int64_t n = state.range(0) / state.threads();
    std::vector<std::pair<int, int>> places(static_cast<size_t>(n));
    for (auto& [x, y] : places)
        x = int(random() % 640), y = int(random() % 480);
    for (auto _ : state) {
        for (const auto& [x, y] : places)
            for (int row = 0; row < 32; ++row)
                std::memcpy(&back[size_t(y + row) * kWidth + size_t(x)], &cell[size_t(row) * 32],
                            32 * sizeof(uint32_t));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * n * 32 * 32 * 4);
}
BENCHMARK(BM_CopyLimit)->Arg(60000)->Threads(1)->Threads(2)->Unit(benchmark::kMillisecond);

// Main memory's pace for the same amount: 246 MB (60,000 cells of 4 KB)
// copied between buffers far larger than the caches.
void BM_MemoryBandwidth(benchmark::State& state) {
    size_t bytes = size_t(60000) * 4096 / size_t(state.threads());
    std::vector<char> from(bytes, 1), to(bytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
}
BENCHMARK(BM_MemoryBandwidth)->Threads(1)->Threads(2)->Unit(benchmark::kMillisecond);

void BM_DrawRotatedTranslucentSprites(benchmark::State& state) { frame(state, true); }
BENCHMARK(BM_DrawRotatedTranslucentSprites)->Arg(1000)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace ravok
