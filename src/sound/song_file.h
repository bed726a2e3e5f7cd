// Song files (.sdv): a format number, the channel count (10), then each
// channel's compiled event stream as a length-prefixed block.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace ravok {

// The engine's status values.
enum EngineStatus : int {
    StatusOk = 0,
    StatusCannotOpen = 1,
    StatusNotWav = 2,
    StatusBadSong = 3,
    StatusDeviceFailed = 4,
    StatusNewerSong = 5,
};

struct TSong {
    std::array<std::vector<uint8_t>, 10> streams; // empty: the channel has none
};

// Reads a song's bytes; StatusOk or StatusNewerSong with the song filled in,
// StatusBadSong with it left empty.
int parseSong(std::string_view bytes, TSong& song);

} // namespace ravok
