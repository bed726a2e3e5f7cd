// The script side of sound: SoundEffect's WAV effects by handle, BGM's
// choice between a synthesizer song and a MIDI file for the external player,
// and MediaPlayer's control of the engine.
#pragma once

#include "runtime/native_binding.h"

#include <string>
#include <vector>

namespace ravok {

struct TSoundState {
    bool enabled = true; // the "&Sound" menu item
    int musicKind = 0;   // 0 none, 1 a synthesizer song, 2 a MIDI file
    bool repeatMidi = false;
};
TSoundState& soundState();

// The command file of the external MIDI player: Kernel\sig of the program.
std::string midiCommandFile();
// Another command file (tests that run side by side); empty restores it.
void setMidiCommandFile(const std::string& file);

// Switching sound off stops the music (and the MIDI player).
void setSoundEnabled(bool on);

const std::vector<TNativeBinding>& soundNatives();

} // namespace ravok
