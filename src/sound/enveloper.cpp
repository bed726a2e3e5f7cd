#include "sound/enveloper.h"

#include "resources/host_files.h"

#include <chrono>
#include <cmath>
#include <cstring>

namespace ravok {

const uint16_t TEnveloper::kPeriods[96] = {
    3421, 3228, 3047, 2876, 2715, 2562, 2419, 2283, 2155, 2034, 1920, 1812, 1711, 1614, 1524, 1438,
    1358, 1281, 1210, 1142, 1078, 1017, 960,  906,  855,  807,  762,  719,  679,  641,  605,  571,
    539,  509,  480,  453,  428,  404,  381,  360,  339,  320,  302,  285,  269,  254,  240,  227,
    214,  202,  190,  180,  170,  160,  151,  143,  135,  127,  120,  113,  107,  101,  95,   90,
    85,   80,   76,   71,   67,   64,   60,   57,   53,   50,   48,   45,   42,   40,   38,   36,
    34,   32,   30,   28,   27,   25,   24,   22,   21,   20,   19,   18,   17,   16,   15,   14};

TEnveloper::TEnveloper() {
    for (auto& wave : WaveTable) {
        std::memset(wave, 103, 16);
        std::memset(wave + 16, 153, 16);
    }
    for (auto& envelope : EnvelopeTable)
        for (int j = 0; j < 32; ++j)
            envelope[j] = uint8_t((31 - j) / 2);
    for (int i = 0; i < 2048; ++i)
        sine[i] = int8_t(std::trunc(std::sin(i * 6.2831852 / 2048) * 127));
    // Each period counts a tone generator clocked at 7330908160 / 65536 Hz;
    // the phase is read by its top five bits, 32 steps a cycle.
    for (int n = 0; n < 96; ++n)
        increments[n] = uint32_t(std::trunc(7330908160.0 / kPeriods[n] * 65536.0 / 44100.0));
    for (TChannel& ch : channels)
        resetChannel(ch);
}

void TEnveloper::resetChannel(TChannel& ch) {
    ch = TChannel();
    ch.wave = WaveTable[0];
}

bool TEnveloper::loadTones(const std::string& path) {
    std::string bytes;
    if (!readWholeFile(path, bytes) || bytes.size() < sizeof WaveTable + sizeof EnvelopeTable)
        return false;
    std::memcpy(WaveTable, bytes.data(), sizeof WaveTable);
    const char* envelopes = bytes.data() + sizeof WaveTable;
    for (int e = 0; e < kEnvelopes; ++e)
        for (int j = 0; j < 32; ++j)
            EnvelopeTable[e][j] = std::min<uint8_t>(uint8_t(envelopes[e * 32 + j]), 15);
    return true;
}

void TEnveloper::start() {
    if (open_) return;
    if (!openDevice()) return;
    for (TChannel& ch : channels) {
        ch.readIndex = ch.writeIndex = 0;
        ch.immediate = false;
    }
    renderTo = 0;
    firstTick = true;
}

void TEnveloper::attach(int channel, const uint8_t* stream, size_t length) {
    TChannel& ch = channels[channel];
    ch.stream = length ? stream : nullptr;
    ch.streamLength = length;
    ch.pointer = 0;
    ch.state = ch.stream ? State::Playing : State::Stopped;
    ch.nextEventTime = tickClock;
}

void TEnveloper::stopAllChannels() {
    for (TChannel& ch : channels) {
        ch.state = State::Stopped;
        ch.nextEventTime = tickClock + 1;
    }
}

void TEnveloper::stopLoopingEffects() {
    for (TEffectSlot& slot : SESlot)
        if (slot.loopLength > 0) slot.remaining = slot.loopLength = 0;
}

void TEnveloper::clearEffectSlots() { SESlot.fill(TEffectSlot()); }

int16_t TEnveloper::clampSample(int64_t s) {
    return int16_t(s < -32768 ? -32768 : s > 32767 ? 32767 : s);
}

uint8_t TEnveloper::noiseByte() {
    // A fixed-seed generator: the same song renders the same samples.
    noiseState_ ^= noiseState_ << 13;
    noiseState_ ^= noiseState_ >> 17;
    noiseState_ ^= noiseState_ << 5;
    return uint8_t(90 + noiseState_ % 78);
}

void TEnveloper::render() {
    if (!open_) return;
    if (size_ > kRingMax) size_ = kRingMax;
    auto began = std::chrono::steady_clock::now();
    int64_t P = playPosition();
    if (calibrationWidth > 0) {
        writeCalibration(P);
        return;
    }
    if (firstTick) {
        renderFrom = P + renderAhead - 2;
        renderTo = P + renderAhead - 1;
        firstTick = false;
    } else {
        renderFrom = renderTo;
        renderTo = P + size_ - 1;
    }
    if (renderTo - P > renderAhead) renderTo = P + renderAhead;
    // Samples behind the play position can no longer be heard: after a long
    // stall the window starts at the play position instead of rendering the
    // ring round over what is being played.
    if (renderFrom < P) renderFrom = P;
    // A window that ends before it starts (the lead was shortened) waits for
    // the play position to catch up rather than wrapping round the ring.
    if (renderTo < renderFrom) renderTo = renderFrom;
    int32_t w = int32_t(renderFrom % size_);
    int32_t end = int32_t(renderTo % size_);
    int64_t c = P;
    bool second = false;
    while (w != end) {
        int64_t s = 0;
        for (TChannel& ch : channels) {
            if (!ch.stream && ch.state != State::Stopped) stopChannel(ch);
            if (!ch.immediate && ch.state != State::Playing) continue;
            while (ch.readIndex != ch.writeIndex && ch.queue[ch.readIndex].time <= c) {
                const TQueued& q = ch.queue[ch.readIndex];
                if (q.type == 1)
                    ch.increment = uint32_t(q.value);
                else if (q.type == 2)
                    ch.volume = q.value;
                ch.immediate = true;
                ch.readIndex = (ch.readIndex + 1) % kQueueSize;
            }
            int64_t f = ch.immediate ? ch.volume
                        : ch.rest    ? 0
                                  : int64_t(EnvelopeTable[ch.envelope][ch.envelopePosition >> 11]) *
                                        ch.volume * ch.velocity;
            if (masterVolume < 256) f = f * masterVolume / 256;
            if (f > 0) {
                uint32_t index = ch.shift ? ch.phase >> (32 - ch.shift) : 0;
                s += f * ch.wave[index] / 2048 - (f >> 4);
                if (!ch.oneShot || int32_t(ch.phase) >= 0 ||
                    int64_t(int32_t(ch.phase)) < -2 * int64_t(ch.increment))
                    ch.phase += ch.increment;
                if (ch.vibratoSpeed != 0) {
                    if (ch.vibratoDelayCounter <= 0) {
                        ch.phase += uint32_t(int64_t(sine[ch.vibratoPhase >> 21]) *
                                             int64_t(ch.increment / 512) * ch.vibratoDepth / 256);
                        if (second) ch.vibratoPhase += uint32_t(ch.vibratoSpeed);
                    } else {
                        ch.vibratoDelayCounter -= tempo;
                    }
                }
            }
            if (second && ch.envelopePosition + ch.envelopeSpeed < 65536)
                ch.envelopePosition = uint16_t(ch.envelopePosition + ch.envelopeSpeed);
            if (ch.portaDuration > 0) {
                int64_t d = ch.portaDuration;
                ch.increment = uint32_t((ch.portaEnd / d) * (d + tickClock - ch.nextEventTime) +
                                        (ch.portaStart / d) * (ch.nextEventTime - tickClock));
            }
            runEvents(ch);
        }
        tickClock += (tempoAccumulator + tempo) / 120 - tempoAccumulator / 120;
        tempoAccumulator += tempo;
        // The player's volume scales music and effects apart, after the
        // synthesizer: what it renders stays the same.
        if (musicGain != kFullGain) s = s * musicGain / kFullGain;
        for (TEffectSlot& slot : SESlot) {
            if (slot.remaining <= 0) continue;
            s += (int32_t(*slot.pointer) - 128) * int64_t(slot.volume) * effectsGain / kFullGain;
            if (--slot.remaining <= 0 && slot.loopLength > 0) {
                slot.remaining = slot.loopLength;
                slot.pointer -= slot.loopLength;
            }
            ++slot.pointer;
        }
        storeSample(ring_[w], clampSample(s));
        WaveTable[kNoiseWave][sampleCounter_++ % 32] = noiseByte();
        w = (w + 1) % size_;
        ++c;
        second = !second;
    }
    tempoAccumulator %= 120;
    lastRenderMs = int32_t(std::chrono::duration_cast<std::chrono::milliseconds>(
                               std::chrono::steady_clock::now() - began)
                               .count());
    lastLatency = int32_t(P + positionOffset - renderFrom);
}

void TEnveloper::writeCalibration(int64_t P) {
    int32_t W = calibrationWidth;
    int32_t half = size_ / 2;
    int64_t T = (P + positionOffset + size_) % size_;
    if (T < 0) T += size_;
    for (int32_t i = 0; i < size_; ++i) {
        int64_t d = ((i - T) % size_ + size_ + half) % size_ - half;
        int64_t ad = d < 0 ? -d : d;
        int32_t v = (i % 100) >= 50 ? 0 : ad < W ? int32_t((W - ad) * 20000 / W) : 0;
        storeSample(ring_[i], int16_t(v));
    }
}

void TEnveloper::playEffect(const uint8_t* data, int64_t length, int32_t volume, bool loop) {
    TEffectSlot* slot = &SESlot[9];
    for (int i = 1; i <= 9; ++i)
        if (SESlot[i].remaining == 0) {
            slot = &SESlot[i];
            break;
        }
    slot->pointer = data;
    slot->remaining = length;
    slot->volume = volume;
    slot->loopLength = loop ? length : 0;
    if (!open_ || length <= 0) return;
    // What is already rendered gets the effect at once, from Delay samples
    // after the play position; the renderer carries it on from there.
    for (int64_t at = playPosition() + delay; at < renderTo && slot->remaining > 0; ++at) {
        int16_t& cell = ring_[at % size_];
        storeSample(cell, clampSample(int64_t(loadSample(cell)) + (int32_t(*slot->pointer) - 128) *
                                                                      int64_t(volume) *
                                                                      effectsGain / kFullGain));
        if (--slot->remaining <= 0 && slot->loopLength > 0) {
            slot->remaining = slot->loopLength;
            slot->pointer -= slot->loopLength;
        }
        ++slot->pointer;
    }
}

void TEnveloper::queueEvent(int channel, int32_t type, int32_t value, int32_t time) {
    if (channel < 0 || channel >= kChannels) return;
    TChannel& ch = channels[channel];
    ch.immediate = true;
    ch.queue[ch.writeIndex] = {time, type, value};
    ch.writeIndex = (ch.writeIndex + 1) % kQueueSize;
}

int32_t TEnveloper::getPosition(int kind) {
    switch (kind) {
    case 0:
        return open_ ? int32_t(playPosition() + positionOffset) : 0;
    case 1:
        return int32_t(renderFrom);
    case 2:
        return int32_t(renderTo);
    case 3:
        return lastLatency;
    default:
        return 0;
    }
}

} // namespace ravok
