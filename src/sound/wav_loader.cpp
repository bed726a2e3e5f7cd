#include "sound/wav_loader.h"

#include "resources/host_files.h"

#include "base/regular_file.h"

#include <cmath>
#include <cstring>

namespace ravok {

namespace {

uint32_t le(const uint8_t* p, int n) {
    uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i)
        v = v << 8 | p[i];
    return v;
}

// The first channel's value of a frame as a signed 16-bit amplitude.
int32_t amplitude(const uint8_t* frame, uint16_t bits, uint16_t tag) {
    if (bits <= 8) return (int32_t(frame[0]) - 128) * 256;
    if (tag == 3 && bits == 32) { // IEEE float samples
        float f;
        std::memcpy(&f, frame, 4);
        if (!(f == f)) f = 0;
        return int32_t(std::fmax(-32768.0f, std::fmin(32767.0f, f * 32768.0f)));
    }
    // 24 and 32 bits: the top two bytes carry the 16-bit value. (Read as the
    // low two bytes, as 16-bit, they would be noise.)
    int bytes = (bits + 7) / 8;
    const uint8_t* top = frame + (bytes >= 2 ? bytes - 2 : 0);
    return int16_t(uint16_t(top[0] | top[1] << 8));
}

} // namespace

bool TWavLoader::loadFile(const std::string& hostPath) {
    // A regular file only: a FIFO would block the game, a device never end.
    std::string bytes;
    if (readRegularFile(hostPath, bytes, kMaxWholeFileBytes) != TRegularRead::Ok) {
        cannotOpen = true;
        return false;
    }
    load(bytes);
    return !noFormatChunk;
}

void TWavLoader::load(std::string_view bytes) {
    const auto* b = reinterpret_cast<const uint8_t*>(bytes.data());
    size_t n = bytes.size();
    size_t fmt = bytes.find("WAVEfmt ");
    if (fmt == std::string_view::npos || fmt + 8 + 20 > n) {
        noFormatChunk = true;
        return;
    }
    const uint8_t* f = b + fmt + 8;
    formatSize = le(f, 4);
    formatTag = uint16_t(le(f + 4, 2));
    channels = uint16_t(le(f + 6, 2));
    sampleRate = le(f + 8, 4);
    byteRate = le(f + 12, 4);
    blockAlign = uint16_t(le(f + 16, 2));
    bitsPerSample = uint16_t(le(f + 18, 2));
    size_t at = bytes.find("data");
    if (at == std::string_view::npos) {
        noDataChunk = true;
        return;
    }
    size_t start = at + 8;
    size_t sampleBytes = start < n ? n - start : 0;
    int bytesPerSample = std::max(1, (bitsPerSample + 7) / 8);
    if (blockAlign == 0 || blockAlign < bytesPerSample || sampleRate == 0) return;
    size_t frames = sampleBytes / blockAlign;
    auto store = [&](size_t frame) {
        int32_t v = amplitude(b + start + frame * blockAlign, bitsPerSample, formatTag);
        data.push_back(uint8_t((int32_t(std::trunc(v / 256.0)) + 128) & 0xFF));
    };
    uint32_t k = 44100 / sampleRate;
    // A forged rate (1 Hz) would make a small file gigabytes long: effects
    // longer than ten minutes are not kept.
    constexpr uint64_t kMaxSamples = 44100ull * 600;
    uint64_t length = k >= 1 ? uint64_t(frames) * k : uint64_t(frames) * 44100 / sampleRate;
    if (length > kMaxSamples) return;
    if (k >= 1) {
        // Each source frame repeated k times (22050 Hz twice, 11025 Hz four times).
        data.reserve(frames * k);
        for (size_t i = 0; i < frames * k; ++i)
            store(i / k);
    } else {
        // Above 44100 Hz the repetition factor would be 0 and the effect
        // silent; the frames are taken at the output's rate instead.
        data.reserve(size_t(length));
        for (size_t i = 0; i < length; ++i)
            store(size_t(uint64_t(i) * sampleRate / 44100));
    }
}

} // namespace ravok
