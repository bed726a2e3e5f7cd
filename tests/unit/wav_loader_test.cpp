// The WAV reader's conversion to unsigned 8-bit 44100 Hz mono, and the MIDI
// player's command file.
#include "sound/midi_command.h"
#include "sound/wav_loader.h"

#include "resources/host_files.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

namespace ravok {
namespace {

void put(std::string& s, uint32_t v, int n) {
    for (int i = 0; i < n; ++i)
        s += char((v >> (8 * i)) & 0xFF);
}

// A WAV file whose frames come from sample(frame, channel).
template <class F>
std::string wav(uint32_t rate, uint16_t bits, uint16_t channels, uint32_t frames, F sample,
                uint16_t tag = 1) {
    uint16_t align = uint16_t(channels * (bits / 8));
    std::string d;
    for (uint32_t f = 0; f < frames; ++f)
        for (uint16_t c = 0; c < channels; ++c)
            put(d, sample(f, c), bits / 8);
    std::string s = "RIFF";
    put(s, uint32_t(36 + d.size()), 4);
    s += "WAVEfmt ";
    put(s, 16, 4);
    put(s, tag, 2);
    put(s, channels, 2);
    put(s, rate, 4);
    put(s, rate * align, 4);
    put(s, align, 2);
    put(s, bits, 2);
    s += "data";
    put(s, uint32_t(d.size()), 4);
    return s + d;
}

uint8_t converted16(int16_t v) { return uint8_t((int(std::trunc(v / 256.0)) + 128) & 0xFF); }

TEST(WavLoaderTest, A22050HzStereoFileRepeatsEachLeftSampleTwice) {
    auto left = [](uint32_t f) { return int16_t(int(f) * 61 - 30000); };
    TWavLoader w;
    w.load(wav(22050, 16, 2, 1000, [&](uint32_t f, uint16_t c) {
        return uint32_t(uint16_t(c == 0 ? left(f) : int16_t(12345)));
    }));
    EXPECT_EQ(w.sampleRate, 22050u);
    EXPECT_EQ(w.channels, 2);
    ASSERT_EQ(w.data.size(), 2000u);
    for (uint32_t f = 0; f < 1000; ++f) {
        ASSERT_EQ(w.data[2 * f], converted16(left(f))) << f;
        ASSERT_EQ(w.data[2 * f + 1], converted16(left(f))) << f;
    }
}

TEST(WavLoaderTest, RatesAndDepths) {
    TWavLoader eight;
    eight.load(wav(44100, 8, 1, 256, [](uint32_t f, uint16_t) { return f; }));
    ASSERT_EQ(eight.data.size(), 256u);
    EXPECT_EQ(eight.data[0], 0);
    EXPECT_EQ(eight.data[200], 200); // 8-bit samples pass through unchanged
    TWavLoader slow;
    slow.load(wav(8000, 8, 1, 10, [](uint32_t f, uint16_t) { return 100 + f; }));
    EXPECT_EQ(slow.data.size(), 50u); // 44100 div 8000 = 5 copies a frame
    EXPECT_EQ(slow.data[49], 109);
    TWavLoader deep;
    deep.load(wav(11025, 24, 1, 3, [](uint32_t, uint16_t) { return 0x7F0000u; })); // +32512
    ASSERT_EQ(deep.data.size(), 12u);
    EXPECT_EQ(deep.data[0], converted16(int16_t(0x7F00)));
    TWavLoader fast;
    fast.load(wav(48000, 16, 1, 480, [](uint32_t, uint16_t) { return 0x4000u; }));
    EXPECT_EQ(fast.data.size(), 441u); // 10 ms at the output's rate, not silence
    EXPECT_EQ(fast.data[0], converted16(0x4000));
}

TEST(WavLoaderTest, DamagedFilesGiveEmptyEffectsNotCrashes) {
    TWavLoader none;
    none.load("RIFF....WAVE");
    EXPECT_TRUE(none.noFormatChunk);
    std::string noData = wav(22050, 16, 1, 4, [](uint32_t, uint16_t) { return 0u; });
    noData.replace(noData.find("data"), 4, "dat_");
    TWavLoader empty;
    empty.load(noData);
    EXPECT_TRUE(empty.noDataChunk);
    EXPECT_TRUE(empty.data.empty());
    std::string zeroAlign = wav(22050, 16, 1, 4, [](uint32_t, uint16_t) { return 0u; });
    zeroAlign[zeroAlign.find("WAVEfmt ") + 8 + 16] = 0; // block align 0
    TWavLoader odd;
    odd.load(zeroAlign);
    EXPECT_TRUE(odd.data.empty());
    std::string cut = wav(22050, 16, 1, 4, [](uint32_t, uint16_t) { return 0u; });
    TWavLoader truncated;
    truncated.load(cut.substr(0, cut.find("WAVEfmt ") + 12));
    EXPECT_TRUE(truncated.noFormatChunk);
    TWavLoader forged; // 1 Hz: 44100 copies of every frame would be gigabytes
    forged.load(wav(1, 16, 1, 20000, [](uint32_t, uint16_t) { return 0u; }));
    EXPECT_TRUE(forged.data.empty());
    TWavLoader missing;
    EXPECT_FALSE(missing.loadFile(testing::TempDir() + "no-such.wav"));
    EXPECT_TRUE(missing.cannotOpen);
}

TEST(MidiCommandTest, TheFileHoldsTheLastCommandInTwoLines) {
    std::string file = fromHostPath(testing::TempDir() + "sig");
    sendMidiCommand(file, 'R', "C:\\game\\song.mid");
    std::string text;
    ASSERT_TRUE(readWholeFile(file, text));
    EXPECT_EQ(text, "R\r\nC:\\game\\song.mid\r\n");
    sendMidiCommand(file, 'S', "");
    ASSERT_TRUE(readWholeFile(file, text));
    EXPECT_EQ(text, "S\r\n\r\n");
    EXPECT_FALSE(fileExists(file + ".new"));
    deleteFile(file);
}

} // namespace
} // namespace ravok
