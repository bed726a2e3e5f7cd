#include "platform/headless/virtual_wave_out.h"

#include "base/clock.h"

#include <cmath>
#include <cstdio>

namespace ravok {

TVirtualWaveOut::TVirtualWaveOut(TClock& clock) : clock_(clock), madeMs_(clock.nowMs()) {}

int64_t TVirtualWaveOut::clockSamples() const {
    // 441 / 10 rather than 44.1, which no binary format holds: a whole
    // number of milliseconds times 441 is exact in every long double, and
    // a tenth of it is either whole or a tenth away from whole, so the floor
    // is the same on every platform (44.1 rounds differently in 80 and 128
    // bits, and whole hundredths of a second came out a sample apart).
    return int64_t(std::floor((clock_.nowMs() - madeMs_) * 441 / 10));
}

int TVirtualWaveOut::open(const int16_t* ring, int32_t size) {
    catchUp(); // silence up to now
    ring_ = ring;
    size_ = size;
    open_ = true;
    openedAt_ = clockSamples();
    played_ = 0;
    return 0;
}

void TVirtualWaveOut::close() {
    catchUp();
    open_ = false;
}

int64_t TVirtualWaveOut::playPosition() {
    catchUp();
    return played_;
}

void TVirtualWaveOut::catchUp() {
    int64_t now = clockSamples();
    if (!open_) {
        if (recording && int64_t(recorded_.size()) < now) recorded_.resize(size_t(now), 0);
        return;
    }
    int64_t target = now - openedAt_;
    if (recording)
        for (int64_t k = played_; k < target; ++k)
            recorded_.push_back(loadSample(ring_[k % size_]));
    if (target > played_) played_ = target;
}

namespace {
void put32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out += char(v >> (8 * i) & 0xFF);
}
void put16(std::string& out, uint16_t v) {
    out += char(v & 0xFF);
    out += char(v >> 8);
}
} // namespace

bool TVirtualWaveOut::writeWav(const std::string& hostPath) {
    catchUp();
    uint32_t bytes = uint32_t(recorded_.size() * 2);
    std::string out = "RIFF";
    put32(out, 36 + bytes);
    out += "WAVEfmt ";
    put32(out, 16);
    put16(out, 1); // PCM
    put16(out, 1); // mono
    put32(out, 44100);
    put32(out, 44100 * 2);
    put16(out, 2);
    put16(out, 16);
    out += "data";
    put32(out, bytes);
    for (int16_t s : recorded_)
        put16(out, uint16_t(s));
    FILE* f = std::fopen(hostPath.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    return std::fclose(f) == 0 && ok;
}

} // namespace ravok
