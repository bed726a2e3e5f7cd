#include "sound/sorvald.h"

#include "resources/host_files.h"
#include "resources/program_paths.h"
#include "runtime/paths.h"

#include <unistd.h>

namespace ravok {

namespace {

// A sampled voice's file as named, else in the program folder; "" when
// neither exists.
std::string voiceFile(const std::string& name) {
    for (const std::string& path :
         {resolve(name, baseDirectory()), resolve(name, programDirectory())})
        if (fileExists(path) && !directoryExists(path)) return toHostPath(path);
    return {};
}

std::unique_ptr<TSorvald>& engineSlot() {
    static std::unique_ptr<TSorvald> engine;
    return engine;
}

} // namespace

TSorvald::TSorvald() : engine_(std::make_unique<TEnveloper>()) {
    engine_->resolveVoiceFile = voiceFile;
    // A wave table in the folder the player was started from is read first;
    // start-up reads the program folder's over it.
    char cwd[4096];
    if (getcwd(cwd, sizeof cwd)) {
        std::string here = fromHostPath(std::string(cwd) + "/tones.wdt");
        if (fileExists(here)) engine_->loadTones(here);
    }
}

int TSorvald::SetEnabled(bool on) {
    if (on)
        engine_->start();
    else
        engine_->closeDevice();
    EngineStatus = engine_->deviceFailed() ? StatusDeviceFailed : StatusOk;
    return EngineStatus;
}

void TSorvald::attachSong() {
    for (int i = 0; i < TEnveloper::kChannels; ++i)
        engine_->attach(i, song_.streams[i].data(), song_.streams[i].size());
}

void TSorvald::detachSong() {
    // The channels point into the song's streams: they let go first.
    for (int i = 0; i < TEnveloper::kChannels; ++i)
        engine_->attach(i, nullptr, 0);
    song_ = TSong();
}

int TSorvald::StartSong() {
    tickBound = true;
    engine_->start();
    if (engine_->deviceFailed()) return EngineStatus = StatusDeviceFailed;
    attachSong();
    return EngineStatus;
}

int TSorvald::LoadSong(const std::string& path) {
    engine_->stopAllChannels();
    detachSong();
    std::string bytes;
    if (!readWholeFile(path, bytes)) return EngineStatus = StatusCannotOpen;
    return EngineStatus = parseSong(bytes, song_);
}

void TSorvald::StopSong() {
    if (engine_->deviceFailed()) return;
    engine_->stopAllChannels();
    engine_->stopLoopingEffects();
}

void TSorvald::FreeSong() {
    StopSong();
    detachSong();
}

int TSorvald::LoadSE(const std::string& path) {
    auto effect = std::make_unique<TWavLoader>();
    effect->loadFile(toHostPath(path));
    if (effect->cannotOpen) {
        EngineStatus = StatusCannotOpen;
        return 0;
    }
    if (effect->noFormatChunk) {
        EngineStatus = StatusNotWav;
        return 0;
    }
    int handle = nextHandle_++;
    effects_[handle] = std::move(effect);
    return handle;
}

void TSorvald::PlaySE(int handle, int32_t volume, bool loop) {
    auto found = effects_.find(handle);
    if (found == effects_.end()) return;
    engine_->start();
    if (engine_->deviceFailed()) {
        EngineStatus = StatusDeviceFailed;
        return;
    }
    const std::vector<uint8_t>& data = found->second->data;
    engine_->playEffect(data.data(), int64_t(data.size()), volume, loop);
}

bool TSorvald::FreeSE(int handle) {
    if (!effects_.count(handle)) return false; // not ours: the device plays on
    // Every slot may point into the effect: they all go, and so does the
    // device, which reopens at the next sound.
    engine_->closeDevice();
    engine_->clearEffectSlots();
    effects_.erase(handle);
    return true;
}

void TSorvald::Tick() {
    if (engine_ && !engine_->deviceFailed()) engine_->render();
}

void TSorvald::SetVolume(int32_t v) {
    if (!engine_->deviceFailed()) engine_->masterVolume = v;
}

void TSorvald::timerTick() {
    if (timerEnabled && tickBound) Tick();
}

namespace {
class TEngineTicker : public TSoundTicker {
public:
    // Until something asks for the synthesizer it has nothing to play: a
    // tick does not build it (its tables and its ring are most of what a
    // script run's start-up would otherwise spend on sound).
    void tick() override {
        if (auto& engine = engineSlot()) engine->Tick();
    }
};
} // namespace

TSoundTicker& soundEngineTicker() {
    static TEngineTicker ticker;
    return ticker;
}

TSorvald& soundEngine() {
    auto& slot = engineSlot();
    if (!slot) {
        slot = std::make_unique<TSorvald>();
        slot->Interval = 50;
        slot->setBufferSize(44100);
        slot->setDelay(1000);
    }
    return *slot;
}

void resetSoundEngine() { engineSlot().reset(); }

} // namespace ravok
