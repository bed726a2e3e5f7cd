#include "sound/song_file.h"

namespace ravok {

namespace {
uint32_t le32(std::string_view b, size_t at) {
    return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 |
           uint32_t(uint8_t(b[at + 2])) << 16 | uint32_t(uint8_t(b[at + 3])) << 24;
}
} // namespace

int parseSong(std::string_view bytes, TSong& song) {
    song = TSong();
    if (bytes.size() < 5) return StatusBadSong;
    int status = le32(bytes, 0) > 1200 ? StatusNewerSong : StatusOk;
    if (uint8_t(bytes[4]) != 10) return StatusBadSong;
    size_t at = 5;
    for (auto& stream : song.streams) {
        if (bytes.size() - at < 4) {
            song = TSong();
            return StatusBadSong;
        }
        uint32_t length = le32(bytes, at);
        at += 4;
        // Checked against what is left, not the whole file: a block may not
        // run past the end.
        if (length > bytes.size() - at) {
            song = TSong();
            return StatusBadSong;
        }
        stream.assign(bytes.begin() + at, bytes.begin() + at + length);
        at += length;
    }
    return status;
}

} // namespace ravok
