// The synthesizer's numbers: what a note adds to the output, how channels
// end, jump, wait for each other and glide, where effects land in the ring,
// the calibration pulses, and the engine's limits and statuses.
#include "sound/enveloper.h"
#include "sound/song_file.h"
#include "sound/sorvald.h"

#include "platform/headless/manual_wave_out.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <memory>
#include <set>

namespace ravok {
namespace {

using Stream = std::vector<uint8_t>;

Stream note(int n, int length) {
    return {uint8_t(n), uint8_t(length & 0xFF), uint8_t(length >> 8)};
}
Stream operator+(Stream a, const Stream& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// An engine on a fake device whose play position the test moves.
struct Synth {
    TManualWaveOut device;
    std::unique_ptr<TEnveloper> e = std::make_unique<TEnveloper>();
    std::vector<Stream> streams = std::vector<Stream>(10);

    Synth() {
        e->setDevice(&device);
        e->start();
    }
    void play(int channel, Stream s) {
        streams[channel] = std::move(s);
        e->attach(channel, streams[channel].data(), streams[channel].size());
    }
    // Moves the play position on by n and ticks; returns what the tick wrote.
    std::vector<int16_t> advance(int64_t n) {
        device.position += n;
        e->render();
        std::vector<int16_t> out;
        for (int64_t k = e->renderFrom; k < e->renderTo; ++k)
            out.push_back(e->sample(int32_t(k % e->size())));
        return out;
    }
    TEnveloper::TChannel& ch(int i) { return e->channels[i]; }
};

TEST(SynthesizerTest, ANoteOnTheSquareWaveAddsItsTwoLevels) {
    Synth s;
    s.play(0, Stream{100, 15} +
                  note(45, 30000)); // volume 15; velocity 128 and envelope step 15 by default
    s.advance(0);
    std::vector<int16_t> out = s.advance(600); // the envelope is still on its first step
    std::set<int16_t> levels(out.begin() + 2, out.end());
    EXPECT_EQ(levels, (std::set<int16_t>{351, -352}));
    // The first half of the square (103) is low: the note starts there.
    EXPECT_EQ(out[2], -352);
}

TEST(SynthesizerTest, NotesSoundAtThePitchOfTheirPeriods) {
    TEnveloper e;
    auto hz = [&](int n) { return 44100.0 * e.increments[n] / 4294967296.0; };
    EXPECT_NEAR(hz(45), 440.0, 1.0);
    EXPECT_NEAR(hz(36), 261.6, 1.0);
    EXPECT_NEAR(hz(57) / hz(45), 2.0, 0.01);
}

TEST(SynthesizerTest, AChannelThatEndsLeavesTheOthersPlaying) {
    Synth s;
    s.play(0, Stream{100, 15} + note(45, 30000));
    s.play(3, Stream{255});
    s.play(4, Stream{97});          // no event: stops too
    s.play(5, Stream{100, 15, 45}); // a note cut short: stops, nothing read past the end
    s.advance(0);
    s.advance(100);
    EXPECT_EQ(s.ch(0).state, TEnveloper::State::Playing);
    EXPECT_EQ(s.ch(3).state, TEnveloper::State::Stopped);
    EXPECT_EQ(s.ch(4).state, TEnveloper::State::Stopped);
    EXPECT_EQ(s.ch(5).state, TEnveloper::State::Stopped);
}

TEST(SynthesizerTest, AJumpToItselfStopsAtTheSecondJumpWithinOneSample) {
    Synth s;
    s.play(0, Stream{104, 0, 0, 0, 0});
    s.play(1,
           Stream{100, 15} + note(45, 2) + Stream{104, 0xFD, 0xFF, 0xFF, 0xFF}); // a loop with time
    s.advance(0);                                                                // one sample
    EXPECT_EQ(s.ch(0).state, TEnveloper::State::Stopped);
    s.advance(1000);
    EXPECT_EQ(s.ch(1).state, TEnveloper::State::Playing);
    s.play(2, Stream{104, 0x00, 0x10, 0, 0}); // a jump out of the stream
    s.advance(10);
    EXPECT_EQ(s.ch(2).state, TEnveloper::State::Stopped);
}

TEST(SynthesizerTest, SynchronisingChannelsResumeTogether) {
    Synth s;
    s.play(0, Stream{108} + note(40, 5000));
    s.play(1, note(40, 100) + Stream{108} + note(40, 5000));
    s.advance(0);
    s.advance(100);
    EXPECT_EQ(s.ch(0).state, TEnveloper::State::Waiting);
    EXPECT_EQ(s.ch(1).state, TEnveloper::State::Playing);
    s.advance(200); // channel 1 reaches its point after 200 ticks
    EXPECT_EQ(s.ch(0).state, TEnveloper::State::Playing);
    EXPECT_EQ(s.ch(1).state, TEnveloper::State::Playing);
    EXPECT_EQ(s.ch(0).nextEventTime, s.ch(1).nextEventTime);
    EXPECT_EQ(s.ch(0).pointer, 4u);
    EXPECT_EQ(s.ch(1).pointer, 7u);
}

TEST(SynthesizerTest, AnEndingChannelReleasesTheWaitingOnes) {
    Synth s;
    s.play(0, Stream{108} + note(40, 50));
    s.play(1, note(40, 10) + Stream{255});
    s.advance(0);
    s.advance(100);
    EXPECT_EQ(s.ch(0).state, TEnveloper::State::Playing);
    EXPECT_EQ(s.ch(1).state, TEnveloper::State::Stopped);
}

TEST(SynthesizerTest, PortamentoGlidesFromNoteToNote) {
    Synth s;
    s.play(0, Stream{100, 15, 106, 45, 57, 0x10, 0x27} + note(99, 10)); // 10000 half-ticks
    s.advance(0);
    s.advance(10);
    uint32_t early = s.ch(0).increment;
    s.advance(10000);
    uint32_t middle = s.ch(0).increment;
    s.advance(9900);
    uint32_t late = s.ch(0).increment;
    uint32_t from = s.e->increments[45], to = s.e->increments[57];
    EXPECT_NEAR(double(early), double(from), (to - from) * 0.01);
    EXPECT_NEAR(double(middle), (from + to) / 2.0, (to - from) * 0.02);
    EXPECT_NEAR(double(late), double(to), (to - from) * 0.01);
}

TEST(SynthesizerTest, DelayOutsideTheBufferIsIgnored) {
    TEnveloper e;
    e.setRequestedSize(44100);
    e.setDelay(50000);
    EXPECT_EQ(e.delay, 2000);
    e.setDelay(44090);
    EXPECT_EQ(e.delay, 2000);
    e.setDelay(44089);
    EXPECT_EQ(e.delay, 44089);
    e.setDelay(-1);
    EXPECT_EQ(e.delay, 44089);
    e.setRequestedSize(100); // BufferSize below 256: ignored
    EXPECT_EQ(e.requestedSize(), 44100);
}

TEST(SynthesizerTest, EffectsTakeSlotsOneToNineAndReuseNine) {
    Synth s;
    std::vector<std::vector<uint8_t>> effects(10, std::vector<uint8_t>(100000, 200));
    for (auto& data : effects)
        s.e->playEffect(data.data(), int64_t(data.size()), 10, false);
    EXPECT_EQ(s.e->SESlot[0].remaining, 0); // slot 0 is never used
    for (int i = 1; i <= 8; ++i)
        EXPECT_EQ(s.e->SESlot[i].pointer, effects[i - 1].data()) << i;
    EXPECT_EQ(s.e->SESlot[9].pointer, effects[9].data());
}

TEST(SynthesizerTest, AnEffectIsMixedIntoWhatIsRenderedFromDelayOn) {
    Synth s;
    s.e->delay = 1000;
    s.advance(0);
    s.advance(5000); // rendered up to 25000, heard from 5000
    std::vector<uint8_t> data = {138, 118, 129};
    s.e->playEffect(data.data(), 3, 100, true); // looping: +1000, -1000, +100, +1000, ...
    // The effect starts at 6000; the music is rendered (silent) from 19998.
    const int16_t cycle[3] = {1000, -1000, 100};
    for (int64_t k = 20000; k < 20006; ++k)
        EXPECT_EQ(s.e->sample(int32_t(k % s.e->size())), cycle[(k - 6000) % 3]);
    EXPECT_EQ(s.e->sample(6000), 128 + 1000); // mixed over the open device's fill
    EXPECT_EQ(s.e->sample(5999), 128);        // before the delay: untouched
    // The renderer carries the loop on where the mixing stopped (25000).
    std::vector<int16_t> next = s.advance(3);
    int64_t k = s.e->renderFrom;
    EXPECT_EQ(next[0], cycle[(k - 6000) % 3]);
    s.e->stopLoopingEffects();
    std::vector<int16_t> after = s.advance(10);
    EXPECT_EQ(after.back(), 0);
}

TEST(SynthesizerTest, CalibrationPulsesSurroundTheTarget) {
    Synth s;
    s.device.position = 12345;
    s.e->setCalibration(700, 0);
    s.e->render();
    int32_t size = s.e->size(), target = 12345 % size;
    int nonZero = 0;
    for (int32_t i = 0; i < size; ++i) {
        int16_t v = s.e->sample(i);
        if (!v) continue;
        ++nonZero;
        int32_t d = std::abs(i - target);
        EXPECT_LT(d, 700) << i;
        EXPECT_LT(i % 100, 50) << i;
        EXPECT_EQ(v, (700 - d) * 20000 / 700) << i;
    }
    EXPECT_GT(nonZero, 600);
}

TEST(SynthesizerTest, DirectEventsDriveAChannelByThePlayPosition) {
    Synth s;
    s.e->queueEvent(2, 1, int32_t(s.e->increments[45]), 0);
    s.e->queueEvent(2, 2, 28800, 0);
    s.e->queueEvent(2, 2, 0, 300);
    s.e->queueEvent(11, 2, 5, 0); // no such channel
    s.advance(0);
    // The direct-event clock starts each tick at the play position (200) and
    // counts the samples of the tick: silence from its 100th sample on.
    std::vector<int16_t> out = s.advance(200);
    EXPECT_TRUE(s.ch(2).immediate);
    EXPECT_EQ(std::set<int16_t>(out.begin(), out.begin() + 100), (std::set<int16_t>{351, -352}));
    EXPECT_EQ(std::set<int16_t>(out.begin() + 100, out.end()), (std::set<int16_t>{0}));
}

TEST(SynthesizerTest, MasterVolumeScalesEveryChannel) {
    Synth s;
    s.e->masterVolume = 128;
    s.play(0, Stream{100, 15} + note(45, 30000));
    s.advance(0);
    std::vector<int16_t> out = s.advance(300);
    EXPECT_EQ(std::set<int16_t>(out.begin() + 2, out.end()), (std::set<int16_t>{175, -176}));
}

TEST(SynthesizerTest, ASampledVoicePlaysItsFileAtNote36) {
    std::string file = ::testing::TempDir() + "voice.wav";
    std::vector<uint8_t> samples = {128, 160, 192, 224, 96, 64, 32, 128, 150};
    {
        std::ofstream out(file, std::ios::binary);
        uint32_t n = uint32_t(samples.size());
        out.write("RIFF", 4);
        uint32_t riff = 36 + n;
        out.write(reinterpret_cast<const char*>(&riff), 4);
        out.write("WAVEfmt \x10\0\0\0\x01\0\x01\0\x44\xAC\0\0\x44\xAC\0\0\x01\0\x08\0data", 32);
        out.write(reinterpret_cast<const char*>(&n), 4);
        out.write(reinterpret_cast<const char*>(samples.data()), n);
    }
    Synth s;
    static std::string voicePath;
    voicePath = file;
    s.e->resolveVoiceFile = [](const std::string& name) {
        return name == "v.wav" ? voicePath : std::string();
    };
    s.play(0, Stream{117, 'v', '.', 'w', 'a', 'v', 0, 100, 102, 100, 100, 15} + note(36, 30000));
    s.advance(0);
    ASSERT_TRUE(s.e->SampleVoice[4]);
    EXPECT_EQ(s.e->SampleVoice[4]->bits, 4); // 9 samples in 16
    std::vector<int16_t> out = s.advance(20);
    // f = 28800: each sample b gives 28800 * b / 2048 - 1800.
    std::vector<int16_t> expected;
    for (size_t i = 0; i < 16; ++i) {
        int b = i < samples.size() - 1 ? samples[i]
                                       : 128; // the last sample and the padding are silence
        expected.push_back(int16_t(28800 * b / 2048 - 1800));
    }
    std::vector<int16_t> got(out.begin() + 1, out.begin() + 17);
    EXPECT_EQ(got, expected);
    // One-shot: the phase stops before it wraps, on the silent padding.
    EXPECT_EQ(out.back(), int16_t(28800 * 128 / 2048 - 1800));
    std::remove(file.c_str());
}

TEST(SynthesizerTest, TheNoiseWaveformChangesWhileRendering) {
    Synth s;
    std::vector<uint8_t> before(s.e->WaveTable[95], s.e->WaveTable[95] + 32);
    s.advance(0);
    s.advance(64);
    std::vector<uint8_t> after(s.e->WaveTable[95], s.e->WaveTable[95] + 32);
    EXPECT_NE(before, after);
    for (uint8_t b : after) {
        EXPECT_GE(b, 90);
        EXPECT_LE(b, 167);
    }
}

TEST(SynthesizerTest, ALostPlayPositionNeverRendersOverWhatIsPlaying) {
    Synth s;
    s.advance(0);
    s.advance(100000); // the engine was not ticked for over two seconds
    EXPECT_GE(s.e->renderFrom, s.device.position);
    s.e->renderAhead = 100; // a shorter lead: wait for the position to catch up
    s.advance(10);
    EXPECT_EQ(s.e->renderFrom, s.e->renderTo);
}

TEST(SongFileTest, StatusesOfDamagedAndNewerSongs) {
    auto song = [](uint32_t format, int channels, std::vector<uint32_t> lengths, size_t extra) {
        std::string b(reinterpret_cast<const char*>(&format), 4);
        b += char(channels);
        for (uint32_t l : lengths) {
            b.append(reinterpret_cast<const char*>(&l), 4);
            b.append(std::min<size_t>(l, extra), '\xFF');
        }
        return b;
    };
    std::vector<uint32_t> ten(10, 1);
    TSong s;
    EXPECT_EQ(parseSong(song(1000, 10, ten, 1), s), StatusOk);
    EXPECT_EQ(s.streams[9].size(), 1u);
    EXPECT_EQ(parseSong(song(1300, 10, ten, 1), s), StatusNewerSong);
    EXPECT_EQ(s.streams[0].size(), 1u); // loaded anyway
    EXPECT_EQ(parseSong(song(1000, 9, ten, 1), s), StatusBadSong);
    std::vector<uint32_t> tooLong = ten;
    tooLong[9] = 2;
    EXPECT_EQ(parseSong(song(1000, 10, tooLong, 1), s), StatusBadSong);
    EXPECT_TRUE(s.streams[0].empty()); // freed
    EXPECT_EQ(parseSong(std::string("\0\0\0", 3), s), StatusBadSong);
    EXPECT_EQ(parseSong(song(1000, 10, {1, 1}, 1), s), StatusBadSong); // blocks missing
}

TEST(SorvaldTest, ADeviceThatFailsIsReportedAndRetried) {
    TManualWaveOut device;
    device.failCode = 6;
    TSorvald sv;
    sv.setDevice(&device);
    EXPECT_EQ(sv.SetEnabled(true), StatusDeviceFailed);
    EXPECT_EQ(sv.engine().errorText(), "MMSYSERR_NODRIVER");
    sv.SetVolume(10);
    EXPECT_EQ(sv.engine().masterVolume, 256); // nothing while failed
    device.failCode = 99;
    EXPECT_EQ(sv.StartSong(), StatusDeviceFailed);
    EXPECT_EQ(sv.engine().errorText(), "MMSYSTEM99");
    EXPECT_EQ(device.opens, 2);
    device.failCode = 0;
    EXPECT_EQ(sv.SetEnabled(true), StatusOk);
    EXPECT_TRUE(sv.engine().isOpen());
    EXPECT_EQ(sv.SetEnabled(false), StatusOk);
    EXPECT_FALSE(sv.engine().isOpen());
    EXPECT_EQ(waveOutErrorText(32), "WAVERR_BADFORMAT");
}

TEST(SorvaldTest, EffectsByHandleAndWhatFreeingDoes) {
    TManualWaveOut device;
    TSorvald sv;
    sv.setDevice(&device);
    EXPECT_EQ(sv.LoadSE("/nonexistent/x.wav"), 0);
    EXPECT_EQ(sv.EngineStatus, StatusCannotOpen);
    std::string file = ::testing::TempDir() + "plain.txt";
    std::ofstream(file) << "not a sound";
    EXPECT_EQ(sv.LoadSE(file), 0);
    EXPECT_EQ(sv.EngineStatus, StatusNotWav);
    std::ofstream(file, std::ios::binary)
        << std::string("RIFF\0\0\0\0WAVEfmt \x10\0\0\0\x01\0\x01\0\x44\xAC\0\0"
                       "\x44\xAC\0\0\x01\0\x08\0data\2\0\0\0\xFF\xFF",
                       46);
    int h = sv.LoadSE(file);
    ASSERT_NE(h, 0);
    sv.PlaySE(h, 50, true);
    EXPECT_TRUE(sv.engine().isOpen());
    EXPECT_FALSE(sv.FreeSE(h + 100)); // not issued: the device plays on
    EXPECT_TRUE(sv.engine().isOpen());
    EXPECT_TRUE(sv.FreeSE(h));
    EXPECT_FALSE(sv.engine().isOpen());
    EXPECT_EQ(sv.engine().SESlot[1].remaining, 0);
    EXPECT_FALSE(sv.hasEffect(h));
    std::remove(file.c_str());
}

} // namespace
} // namespace ravok
