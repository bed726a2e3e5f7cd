// The sequencer's half of the synthesizer: reading a channel's compiled
// event stream. Streams come from song files, so every read is checked
// against the stream's end; an event cut short stops its channel.
#include "sound/enveloper.h"

#include "sound/wav_loader.h"

#include <cstring>

namespace ravok {

void TEnveloper::selectVoice(TChannel& ch, int voice) {
    ch.voice = voice;
    if (voice < kWaveforms) {
        ch.wave = WaveTable[voice];
        ch.shift = 5;
        ch.oneShot = false;
        ch.sampled = false;
    } else if (voice < kWaveforms + kSampleVoices && SampleVoice[voice - kWaveforms]) {
        const TSampleVoice& v = *SampleVoice[voice - kWaveforms];
        ch.wave = v.samples.data();
        ch.shift = v.bits;
        ch.oneShot = true;
        ch.sampled = true;
    }
}

void TEnveloper::noteOn(TChannel& ch, int note, bool tied) {
    if (ch.immediate) return;
    ch.portaDuration = -1;
    if (note == 99) {
        ch.rest = true;
        return;
    }
    ch.rest = false;
    if (!tied) {
        ch.envelopePosition = 0;
        if (ch.oneShot) ch.phase = 0;
        if (ch.vibratoResetOnNote) ch.vibratoPhase = 0;
    }
    if (ch.sampled && ch.shift >= 2) {
        // Note 36 plays the sample at one source sample per output sample.
        uint32_t unit = (uint32_t(1) << 30 >> (ch.shift - 2)) / (increments[36] >> 16);
        ch.increment = unit * (increments[note] >> 16);
    } else {
        ch.increment =
            uint32_t(int64_t(increments[note]) + int64_t(ch.detune) * (increments[note] / 2048));
    }
}

void TEnveloper::releaseIfAllWaiting() {
    for (const TChannel& other : channels)
        if (other.state == State::Playing) return;
    for (TChannel& other : channels)
        if (other.state == State::Waiting) {
            other.state = State::Playing;
            other.nextEventTime = tickClock + 1;
        }
}

void TEnveloper::stopChannel(TChannel& ch) {
    // A channel that ends counts as having reached the synchronisation point.
    ch.state = State::Waiting;
    releaseIfAllWaiting();
    ch.state = State::Stopped;
    ch.nextEventTime = tickClock + 1;
}

void TEnveloper::runEvents(TChannel& ch) {
    ch.jumpsThisSample = 0;
    while (ch.state == State::Playing && tickClock >= ch.nextEventTime && executeEvent(ch)) {}
}

bool TEnveloper::executeEvent(TChannel& ch) {
    const uint8_t* s = ch.stream;
    size_t at = ch.pointer, len = ch.streamLength;
    auto stop = [&] {
        stopChannel(ch);
        return false;
    };
    if (!s || at >= len) return stop();
    auto has = [&](size_t n) { return len - at >= n; };
    auto u16 = [&](size_t k) { return int64_t(s[at + k] | s[at + k + 1] << 8); };
    // The length of a NUL-terminated text from offset k, NUL included; 0 when
    // the stream ends first.
    auto text = [&](size_t k) -> size_t {
        if (at + k > len) return 0;
        const void* nul = std::memchr(s + at + k, 0, len - at - k);
        return nul ? size_t(static_cast<const uint8_t*>(nul) - (s + at + k)) + 1 : 0;
    };
    uint8_t e = s[at];
    if (e < 96 || e == 99) {
        if (!has(3)) return stop();
        noteOn(ch, e, ch.tie);
        if (!ch.tie) ch.vibratoDelayCounter = ch.vibratoDelay;
        ch.tie = false;
        ch.nextEventTime = tickClock + 2 * u16(1);
        ch.pointer = at + 3;
        return true;
    }
    switch (e) {
    case 100:
    case 101:
    case 102:
    case 107:
    case 110:
    case 116:
    case 118:
    case 119: {
        if (!has(2)) return stop();
        uint8_t b1 = s[at + 1];
        if (e == 100)
            ch.volume = b1;
        else if (e == 101)
            ch.envelopeSpeed = b1;
        else if (e == 102)
            selectVoice(ch, b1);
        else if (e == 107)
            ch.envelope = b1 < kEnvelopes ? b1 : ch.envelope;
        else if (e == 110)
            ch.detune = int8_t(b1);
        else if (e == 116)
            ch.oneShot = b1 == 1;
        else if (e == 118)
            ch.vibratoDelay = int64_t(b1) * 44100;
        else
            ch.velocity = b1;
        ch.pointer = at + 2;
        return true;
    }
    case 103:
        if (!has(3)) return stop();
        tempo = int32_t(u16(1));
        ch.pointer = at + 3;
        return true;
    case 104: {
        if (!has(5)) return stop();
        // A second jump in one sample is a loop without time: it would hang
        // the renderer.
        if (++ch.jumpsThisSample >= 2) return stop();
        int32_t offset = int32_t(uint32_t(s[at + 1]) | uint32_t(s[at + 2]) << 8 |
                                 uint32_t(s[at + 3]) << 16 | uint32_t(s[at + 4]) << 24);
        int64_t target = int64_t(at) + offset;
        if (target < 0 || target >= int64_t(len)) return stop();
        ch.pointer = size_t(target);
        return true;
    }
    case 105:
        ch.tie = true;
        ch.pointer = at + 1;
        return true;
    case 106: {
        if (!has(5)) return stop();
        int n1 = s[at + 1], n2 = s[at + 2];
        int64_t length = u16(3);
        if (n1 < 96 && n2 < 96) {
            ch.portaStart = int64_t(increments[n1]) + int64_t(ch.detune) * increments[n1] / 2048;
            ch.portaEnd = int64_t(increments[n2]) + int64_t(ch.detune) * increments[n2] / 2048;
            ch.rest = false;
            if (!ch.tie) ch.envelopePosition = 0;
        }
        ch.tie = false;
        ch.nextEventTime = tickClock + 2 * length;
        ch.portaDuration = 2 * length;
        ch.pointer = at + 5;
        return true;
    }
    case 108:
        ch.pointer = at + 1;
        ch.state = State::Waiting;
        releaseIfAllWaiting();
        return false;
    case 109:
    case 111: {
        size_t n = text(1);
        if (!n) return stop();
        ch.pointer = at + 1 + n;
        return true;
    }
    case 112:
        ch.pointer = at + 1;
        return true;
    case 113:
    case 114: {
        if (!has(34)) return stop();
        int n = s[at + 1];
        if (e == 113 && n < kWaveforms) std::memcpy(WaveTable[n], s + at + 2, 32);
        if (e == 114 && n < kEnvelopes)
            for (int j = 0; j < 32; ++j)
                EnvelopeTable[n][j] = std::min<uint8_t>(s[at + 2 + j], 15);
        ch.pointer = at + 34;
        return true;
    }
    case 115:
        if (!has(4)) return stop();
        ch.vibratoResetOnNote = int8_t(s[at + 1]) != 0;
        ch.vibratoSpeed = int32_t(int8_t(s[at + 2])) * 65536;
        ch.vibratoDepth = int8_t(s[at + 3]);
        ch.vibratoDelay = 0;
        ch.pointer = at + 4;
        return true;
    case 117: {
        size_t n = text(1);
        if (!n || !has(1 + n + 1)) return stop();
        std::string name(reinterpret_cast<const char*>(s + at + 1), n - 1);
        int voice = s[at + 1 + n];
        ch.pointer = at + 2 + n;
        loadSampleVoice(name, voice);
        return ch.state == State::Playing;
    }
    default: // 255 ends the stream; any other byte stops it too
        ch.pointer = at + 1;
        return stop();
    }
}

void TEnveloper::loadSampleVoice(const std::string& file, int voice) {
    if (voice < kWaveforms || voice >= kWaveforms + kSampleVoices) return;
    std::string hostPath = resolveVoiceFile(file);
    if (hostPath.empty()) return;
    for (TChannel& ch : channels)
        if (ch.voice == voice) selectVoice(ch, 0);
    TWavLoader wav;
    if (!wav.loadFile(hostPath) || wav.cannotOpen || wav.noFormatChunk || wav.noDataChunk) return;
    auto v = std::make_unique<TSampleVoice>();
    size_t length = wav.data.size();
    while ((size_t(1) << v->bits) < length)
        ++v->bits;
    v->samples.assign(size_t(1) << v->bits, 128);
    // The last sample and the padding are silence, where a one-shot voice rests.
    if (length > 1) std::memcpy(v->samples.data(), wav.data.data(), length - 1);
    SampleVoice[voice - kWaveforms] = std::move(v);
}

} // namespace ravok
