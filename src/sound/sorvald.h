// TSorvald: the sound engine as the rest of the player sees it. It owns the
// synthesizer, the loaded song's channel streams and the loaded sound
// effects, answers every operation with a status value, and renders on its
// own timer (every Interval ms) and whenever the main loop asks.
#pragma once

#include "base/sound_ticker.h"
#include "sound/enveloper.h"
#include "sound/song_file.h"
#include "sound/wav_loader.h"

#include <map>
#include <memory>
#include <string>

namespace ravok {

class TSorvald {
public:
    TSorvald();

    // The published properties.
    int32_t Interval = 50;
    void setBufferSize(int32_t v) { engine_->setRequestedSize(v); }
    void setDelay(int32_t v) { engine_->setDelay(v); }
    int32_t delay() const { return engine_->delay; }

    void setDevice(TWaveOut* device) { engine_->setDevice(device); }
    TWaveOut* device() const { return engine_->device(); }
    // Reads a tones file (a program path) over the tables.
    bool loadTones(const std::string& path) { return engine_->loadTones(path); }

    int SetEnabled(bool on);
    int StartSong();
    int LoadSong(const std::string& path);
    void StopSong();
    void FreeSong();
    // A loaded effect's handle, or 0 (status 1: cannot open, 2: not a WAV file).
    int LoadSE(const std::string& path);
    void PlaySE(int handle, int32_t volume, bool loop);
    // Frees an effect this engine issued; false for any other handle.
    bool FreeSE(int handle);
    bool hasEffect(int handle) const { return effects_.count(handle) != 0; }
    size_t effectCount() const { return effects_.size(); }
    void Tick();
    void SetVolume(int32_t v);
    // The player's own volume (out of 256), applied in the mixer.
    void setPlayerGains(int32_t music, int32_t effects) {
        engine_->musicGain = music;
        engine_->effectsGain = effects;
    }
    void SetCalibration(int32_t width, int32_t offset) { engine_->setCalibration(width, offset); }
    void SetRenderAhead(int32_t n) { engine_->renderAhead = n; }
    void QueueEvent(int channel, int32_t type, int32_t value, int32_t time) {
        engine_->queueEvent(channel, type, value, time);
    }
    int32_t GetPosition(int kind) { return engine_->getPosition(kind); }
    // Opens the device when it is closed.
    void start() { engine_->start(); }

    // The platform's timer calls this every Interval ms; it renders once the
    // timer is enabled and bound to the tick.
    void timerTick();
    bool timerEnabled = false;
    bool tickBound = false;

    int EngineStatus = StatusOk;
    TEnveloper& engine() { return *engine_; }

private:
    void attachSong();
    void detachSong();

    std::unique_ptr<TEnveloper> engine_;
    TSong song_;
    std::map<int, std::unique_ptr<TWavLoader>> effects_;
    int nextHandle_ = 1;
};

// The screen window's engine (SV): 50 ms, buffer 44100, delay 1000.
TSorvald& soundEngine();

// Ticks soundEngine(): what the players install as the sound ticker
// (setSoundTicker), so that music goes on through long waits below the
// sound layer.
TSoundTicker& soundEngineTicker();
// Back to a fresh engine (tests).
void resetSoundEngine();

} // namespace ravok
