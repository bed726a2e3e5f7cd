#include "sound_natives.h"

#include "midi_command.h"

#include "host_files.h"
#include "native_api.h"
#include "paths.h"
#include "program_paths.h"
#include "sjis.h"
#include "value_ops.h"

namespace ravok {

namespace {

using native::argument;

std::string fileArgument(TValue* cell, int i) {
    return resolve(native::text(argument(cell, i)), baseDirectory());
}

void stopMusic() {
    TSoundState& s = soundState();
    if (gSoundEngine.stopSong) gSoundEngine.stopSong();
    if (s.musicKind == 2) sendMidiCommand(midiCommandFile(), 'S', "");
    s.musicKind = 0;
}

// ---- SoundEffect -------------------------------------------------------------

void _n_loadSE(TValue* cell, int argc, int) {
    if (argc < 1) return;
    std::string file = fileArgument(cell, 1);
    int handle = 0;
    if (fileExists(file) && !directoryExists(file)) {
        auto effect = std::make_unique<TWavLoader>();
        if (effect->loadFile(toHostPath(file)) && !effect->cannotOpen) {
            TSoundState& s = soundState();
            handle = s.nextHandle++;
            s.effects[handle] = std::move(effect);
        }
    }
    setInt(*cell, handle);
}

void _n_playSE(TValue* cell, int argc, int) {
    if (argc < 1 || !soundState().enabled) return;
    int handle = toInt(argument(cell, 1));
    auto found = soundState().effects.find(handle);
    if (found == soundState().effects.end()) return; // only handles it issued
    bool loop = argc >= 2 && truthiness(argument(cell, 2));
    int volume = argc >= 3 ? toInt(argument(cell, 3)) : 128;
    if (gSoundEngine.playEffect) gSoundEngine.playEffect(handle, *found->second, volume, loop);
}

void _n_freeSE(TValue* cell, int argc, int) {
    if (argc < 1) return;
    int handle = toInt(argument(cell, 1));
    if (soundState().effects.erase(handle) && gSoundEngine.freeEffect) gSoundEngine.freeEffect(handle);
}

// ---- BGM -------------------------------------------------------------------------

void _n_playBGM(TValue* cell, int argc, int) {
    TSoundState& s = soundState();
    if (!s.enabled || argc < 1) return;
    if (argc >= 2) s.repeatMidi = truthiness(argument(cell, 2));
    std::string file = fileArgument(cell, 1);
    if (!fileExists(file) || directoryExists(file)) return;
    std::string ext = foldCase(extension(file));
    if (ext == ".sdv") {
        // A MIDI file that is playing goes on; the two kinds do not stop each other.
        if (gSoundEngine.loadSong && gSoundEngine.loadSong(file) && gSoundEngine.startSong)
            gSoundEngine.startSong();
        s.musicKind = 1;
    } else if (ext == ".mid" || ext == ".midi") {
        s.musicKind = 2;
        sendMidiCommand(midiCommandFile(), s.repeatMidi ? 'R' : 'P', file);
    }
}

// ---- MediaPlayer ---------------------------------------------------------------

void _n_stop(TValue*, int, int) { stopMusic(); }

} // namespace

TSoundState& soundState() {
    static TSoundState state;
    return state;
}

std::string midiCommandFile() { return programDirectory() + "\\Kernel\\sig"; }

void setSoundEnabled(bool on) {
    if (!on) stopMusic();
    soundState().enabled = on;
}

const std::vector<TNativeBinding>& soundNatives() {
    static const std::vector<TNativeBinding> list = {
        {"SoundEffect", "_n_loadSE", _n_loadSE},
        {"SoundEffect", "_n_play", _n_playSE},
        {"SoundEffect", "_n_freeSE", _n_freeSE},
        {"BGM", "_n_play", _n_playBGM},
        {"MediaPlayer", "_n_stop", _n_stop},
    };
    return list;
}

} // namespace ravok
