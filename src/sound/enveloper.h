// TEnveloper: the synthesizer. Ten tone channels play 32-sample waveforms or
// sampled voices at pitches from the period table, shaped by 32-step
// envelopes, with detune, vibrato, portamento and ties, each driven by its
// compiled event stream; ten effect slots mix WAV effects on top. Every tick
// renders the stretch of the ring between the last rendered sample and the
// render-ahead limit in front of the play position.
#pragma once

#include "sound/sound_generator.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace ravok {

class TEnveloper : public TSoundGenerator {
public:
    static constexpr int kChannels = 10;
    // The player's volume for music and for effects, out of kFullGain.
    static constexpr int32_t kFullGain = 256;
    int32_t musicGain = kFullGain;
    int32_t effectsGain = kFullGain;
    static constexpr int kWaveforms = 96;
    static constexpr int kEnvelopes = 16;
    static constexpr int kSampleVoices = 16; // voices 96 to 111
    static constexpr int kEffectSlots = 10;
    static constexpr int kQueueSize = 64;
    static constexpr int kNoiseWave = 95;

    enum class State { Stopped, Playing, Waiting };

    struct TQueued {
        int32_t time = 0, type = 0, value = 0;
    };

    struct TChannel {
        const uint8_t* stream = nullptr; // the compiled event stream
        size_t streamLength = 0;
        size_t pointer = 0; // the next event's offset
        State state = State::Stopped;
        int64_t nextEventTime = 0;
        int voice = 0;
        const uint8_t* wave = nullptr;
        int shift = 5;
        bool oneShot = false;
        bool sampled = false; // the wave is a sampled voice
        uint32_t phase = 0, increment = 0;
        int64_t portaStart = 0, portaEnd = 0, portaDuration = -1;
        int32_t detune = 0;
        int32_t volume = 0, velocity = 128;
        int envelope = 0;
        uint16_t envelopePosition = 0;
        int32_t envelopeSpeed = 5;
        bool rest = false, tie = false;
        int32_t vibratoSpeed = 0, vibratoDepth = 0;
        uint32_t vibratoPhase = 0;
        bool vibratoResetOnNote = false;
        int64_t vibratoDelay = 0, vibratoDelayCounter = 0;
        bool immediate = false;
        std::array<TQueued, kQueueSize> queue{};
        int readIndex = 0, writeIndex = 0;
        int jumpsThisSample = 0;
    };

    struct TSampleVoice {
        std::vector<uint8_t> samples; // 2^bits unsigned 8-bit samples
        int bits = 0;
    };

    struct TEffectSlot {
        const uint8_t* pointer = nullptr;
        int64_t remaining = 0;
        int32_t volume = 0;
        int64_t loopLength = 0;
    };

    TEnveloper();

    // Reads a tones file (a program path: waveforms, then envelopes) over the
    // tables; false when it cannot be read or is too short.
    bool loadTones(const std::string& path);

    // Start (when closed): open the device, forget direct events, and make
    // the next tick start a fresh window.
    void start();
    void render();

    // Binds a stream to a channel and plays it from its first byte; nullptr
    // leaves the channel without one.
    void attach(int channel, const uint8_t* stream, size_t length);
    void stopAllChannels();
    void stopLoopingEffects();
    void clearEffectSlots();
    // Starts an effect in a free slot and mixes it into what is rendered.
    void playEffect(const uint8_t* data, int64_t length, int32_t volume, bool loop);
    void queueEvent(int channel, int32_t type, int32_t value, int32_t time);
    int32_t getPosition(int kind);

    // Sampled voices are looked up in the program folder when the name alone
    // does not exist; the engine gives the file layer's look-up, and a bare
    // synthesizer finds no voice files.
    static std::string noVoiceFile(const std::string&) { return {}; }
    std::string (*resolveVoiceFile)(const std::string& name) = noVoiceFile;

    void setDelay(int32_t value) {
        if (value >= 0 && value < requestedSize_ - 10) delay = value;
    }
    void setCalibration(int32_t width, int32_t offset) {
        calibrationWidth = width;
        if (width > 0) positionOffset = offset;
    }

    static const uint16_t kPeriods[96];

    int32_t delay = 2000;
    int32_t renderAhead = 20000;
    int32_t positionOffset = 2000;
    int32_t calibrationWidth = 0;
    int32_t masterVolume = 256;
    int32_t tempo = 120;
    int64_t tickClock = 0;
    int64_t tempoAccumulator = 0;
    int64_t renderFrom = 0, renderTo = 0;
    bool firstTick = true;
    int32_t lastRenderMs = 0, lastLatency = 0;

    uint8_t WaveTable[kWaveforms][32];
    uint8_t EnvelopeTable[kEnvelopes][32];
    uint32_t increments[96];
    int8_t sine[2048];
    std::array<std::unique_ptr<TSampleVoice>, kSampleVoices> SampleVoice;
    std::array<TEffectSlot, kEffectSlots> SESlot{};
    std::array<TChannel, kChannels> channels{};

private:
    void resetChannel(TChannel& ch);
    void selectVoice(TChannel& ch, int voice);
    void noteOn(TChannel& ch, int note, bool tied);
    void runEvents(TChannel& ch);
    bool executeEvent(TChannel& ch); // false: the channel stopped or waits
    void stopChannel(TChannel& ch);
    void releaseIfAllWaiting();
    void loadSampleVoice(const std::string& file, int voice);
    void writeCalibration(int64_t position);
    static int16_t clampSample(int64_t s);
    uint8_t noiseByte();

    uint64_t sampleCounter_ = 0;
    uint32_t noiseState_ = 0x12345678;
};

} // namespace ravok
