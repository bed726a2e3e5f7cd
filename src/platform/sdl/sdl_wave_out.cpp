#include "platform/sdl/sdl_wave_out.h"

#include "base/log.h"

#include <SDL.h>

#include <chrono>

namespace ravok {

namespace {
int64_t nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
} // namespace

TSdlWaveOut::~TSdlWaveOut() { close(); }

bool TSdlWaveOut::initialise() {
    if (initialised_) return true;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0 && SDL_GetNumAudioDevices(0) != 0) {
        initialised_ = true;
        return true;
    }
    // No sound card: the dummy driver consumes samples in real time.
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
    initialised_ = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    return initialised_;
}

int TSdlWaveOut::open(const int16_t* ring, int32_t size) {
    close();
    if (!initialise()) return 6; // no driver
    ring_ = ring;
    size_ = size;
    pulled_ = lastLength_ = 0;
    lastPullNs_ = nowNs();
    if (!openDevice()) return 4; // allocated
    const char* driver = SDL_GetCurrentAudioDriver();
    Log(std::string("Sound device opened (") + (driver ? driver : "?") + ")");
    return 0;
}

bool TSdlWaveOut::openDevice() {
    SDL_AudioSpec want{}, have{};
    want.freq = 44100;
    want.format = AUDIO_S16SYS;
    want.channels = 1;
    want.samples = 1024;
    want.callback = pull;
    want.userdata = this;
    device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (!device_) {
        // The default driver may list devices it cannot open.
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
        initialised_ = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
        if (initialised_) device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        if (!device_) return false;
    }
    SDL_PauseAudioDevice(device_, 0);
    return true;
}

void TSdlWaveOut::followDevice() {
    // Asked a few times a second at most: the engine asks for the play
    // position on every render.
    int64_t now = nowNs();
    if (!device_ || now - lastCheckNs_ < 250000000) return;
    lastCheckNs_ = now;
    bool stopped = deviceStopped ? deviceStopped(device_)
                                 : SDL_GetAudioDeviceStatus(device_) == SDL_AUDIO_STOPPED;
    if (!stopped) return;
    SDL_CloseAudioDevice(device_);
    device_ = 0;
    {
        // The samples handed over so far stay counted: the engine's play
        // position goes on, and so does the song.
        std::lock_guard<std::mutex> lock(mutex_);
        pulled_ += lastLength_;
        lastLength_ = 0;
        lastPullNs_ = now;
    }
    ++reopenings;
    bool opened = openDevice();
    const char* driver = SDL_GetCurrentAudioDriver();
    Log(std::string(opened ? "Sound device changed: reopened (" : "Sound device lost (") +
        (driver ? driver : "?") + ")");
}

void TSdlWaveOut::close() {
    if (device_) SDL_CloseAudioDevice(device_);
    device_ = 0;
}

void TSdlWaveOut::pull(void* self, uint8_t* stream, int len) {
    auto* out = static_cast<TSdlWaveOut*>(self);
    auto* samples = reinterpret_cast<int16_t*>(stream);
    int n = len / 2;
    int64_t from;
    {
        std::lock_guard<std::mutex> lock(out->mutex_);
        from = out->pulled_ + out->lastLength_;
        out->pulled_ = from;
        out->lastLength_ = n;
        out->lastPullNs_ = nowNs();
    }
    for (int i = 0; i < n; ++i)
        samples[i] = loadSample(out->ring_[(from + i) % out->size_]);
}

int64_t TSdlWaveOut::playPosition() {
    followDevice();
    std::lock_guard<std::mutex> lock(mutex_);
    int64_t elapsed = (nowNs() - lastPullNs_) * 441 / 10000000;
    return pulled_ + (elapsed < lastLength_ ? elapsed : lastLength_);
}

} // namespace ravok
