// The synthesizer: one second of output (44100 samples) with all ten
// channels playing notes and all ten effect slots busy, rendered by ticks of
// 50 ms as the engine's timer renders it.
#include "sound/enveloper.h"

#include "platform/headless/manual_wave_out.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

// A channel's endless tune: volume, envelope, vibrato on some, then notes of
// an eighth that step up and jump back.
std::vector<uint8_t> tune(int channel) {
    std::vector<uint8_t> s = {100, 60, 107, uint8_t(channel % 16), 102, uint8_t(channel * 3 % 16)};
    if (channel % 2) s.insert(s.end(), {115, 1, 4, 3});
    size_t loop = s.size();
    for (int n = 0; n < 8; ++n)
        s.insert(s.end(), {uint8_t(30 + channel * 2 + n), 0x88, 0x15});
    int32_t back = int32_t(loop) - int32_t(s.size());
    s.push_back(104);
    for (int i = 0; i < 4; ++i)
        s.push_back(uint8_t(uint32_t(back) >> (8 * i)));
    return s;
}

void BM_RenderOneSecond(benchmark::State& state) {
    ravok::TManualWaveOut device;
    auto e = std::make_unique<ravok::TEnveloper>();
    e->setRequestedSize(44100);
    e->setDevice(&device);
    e->start();
    std::vector<std::vector<uint8_t>> tunes;
    for (int i = 0; i < 10; ++i)
        tunes.push_back(tune(i));
    for (int i = 0; i < 10; ++i)
        e->attach(i, tunes[i].data(), tunes[i].size());
    std::vector<uint8_t> effect(44100 * 60, 140);
    e->render();
    for (auto _ : state) {
        for (int i = 0; i < 10; ++i) // slot 0 is never used: the tenth shares slot 9
            if (e->SESlot[i].remaining < 44100)
                e->playEffect(effect.data(), int64_t(effect.size()), 20, true);
        for (int tick = 0; tick < 20; ++tick) {
            device.position += 2205;
            e->render();
        }
    }
    state.counters["samples/s"] =
        benchmark::Counter(44100.0 * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RenderOneSecond)->Unit(benchmark::kMillisecond);

} // namespace
