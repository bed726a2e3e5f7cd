// The script side of sound: SoundEffect's WAV effects by handle, BGM's
// choice between a synthesizer song and a MIDI file for the external player,
// and MediaPlayer's stop. What needs the synthesizer goes through
// gSoundEngine, which the engine fills in; without it songs and effects are
// loaded and kept but stay silent.
#pragma once

#include "native_binding.h"
#include "wav_loader.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace ravok {

struct TSoundEngine {
    bool (*loadSong)(const std::string& file) = nullptr;
    void (*startSong)() = nullptr;
    void (*stopSong)() = nullptr;
    void (*playEffect)(int handle, const TWavLoader& effect, int volume, bool loop) = nullptr;
    void (*freeEffect)(int handle) = nullptr;
};
inline TSoundEngine gSoundEngine;

struct TSoundState {
    bool enabled = true; // the "&Sound" menu item
    int musicKind = 0;   // 0 none, 1 a synthesizer song, 2 a MIDI file
    bool repeatMidi = false;
    std::map<int, std::unique_ptr<TWavLoader>> effects;
    int nextHandle = 1;
};
TSoundState& soundState();

// The command file of the external MIDI player: Kernel\sig of the program.
std::string midiCommandFile();

// Switching sound off stops the music (and the MIDI player).
void setSoundEnabled(bool on);

const std::vector<TNativeBinding>& soundNatives();

} // namespace ravok
