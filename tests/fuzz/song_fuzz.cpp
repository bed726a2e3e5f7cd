// Fuzz target: any bytes as a song file, loaded and played for a while: the
// sequencer must stay inside every stream whatever its events say.
#include "sound/enveloper.h"
#include "sound/song_file.h"

#include "platform/headless/manual_wave_out.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ravok::TSong song;
    if (ravok::parseSong(std::string_view(reinterpret_cast<const char*>(data), size), song) ==
        ravok::StatusBadSong)
        return 0;
    ravok::TManualWaveOut device;
    auto e = std::make_unique<ravok::TEnveloper>();
    e->setDevice(&device);
    e->start();
    for (int i = 0; i < 10; ++i)
        e->attach(i, song.streams[i].data(), song.streams[i].size());
    for (int tick = 0; tick < 8; ++tick) {
        device.position += 2000;
        e->render();
    }
    return 0;
}
