// TWavLoader: any WAV file turned into the sound engine's effect format:
// unsigned 8-bit, 44100 Hz, mono (128 is silence), from the first channel.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ravok {

class TWavLoader {
public:
    // Reads and converts a file (a host path).
    bool loadFile(const std::string& hostPath);
    // Converts the bytes of a WAV file.
    void load(std::string_view bytes);

    // The format fields as the file gives them.
    uint32_t formatSize = 0;
    uint16_t formatTag = 0, channels = 0;
    uint32_t sampleRate = 0, byteRate = 0;
    uint16_t blockAlign = 0, bitsPerSample = 0;

    std::vector<uint8_t> data; // converted samples

    bool cannotOpen = false;
    bool noFormatChunk = false;
    bool noDataChunk = false;
};

} // namespace ravok
