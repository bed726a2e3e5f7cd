#include "sound/sound_natives.h"

#include "sound/midi_command.h"
#include "sound/sorvald.h"

#include "base/encoding.h"
#include "base/reporter.h"
#include "resources/host_files.h"
#include "resources/program_paths.h"
#include "runtime/messages.h"
#include "runtime/native_api.h"
#include "runtime/paths.h"
#include "runtime/sjis.h"
#include "runtime/value_ops.h"

namespace ravok {

namespace {

using native::argument;

std::string fileArgument(TValue* cell, int i) {
    return resolve(native::text(argument(cell, i)), baseDirectory());
}

// The file as the author knows it: the host's path, in the system's text.
std::string shownPath(const std::string& file) { return utf8ToCp932(toHostPath(file)); }

// A sound that cannot play is said once, with what to do about it; the game
// goes on without it.
void soundMissing(const std::string& file, const char* what) {
    ReportProblemOnce(file, shownPath(file) + translate(" is not found: ") + translate(what) +
                                translate(" Check the file's name (capitals count) and that it "
                                          "lies in the page's folder."));
}

void stopMusic() {
    TSoundState& s = soundState();
    soundEngine().StopSong();
    if (s.musicKind == 2) sendMidiCommand(midiCommandFile(), 'S', "");
    s.musicKind = 0;
}

// ---- SoundEffect -------------------------------------------------------------

void _n_loadSE(TValue* cell, int argc, int) {
    if (argc < 1) return;
    std::string file = fileArgument(cell, 1);
    int handle = 0;
    if (fileExists(file) && !directoryExists(file)) handle = soundEngine().LoadSE(file);
    if (!regularFileExists(file))
        soundMissing(file, "the sound effect plays nothing."); // message
    else if (handle == 0)
        ReportProblemOnce(file,
                          shownPath(file) + translate(" is not a WAV file the player can read "
                                                      "(8 or 16 bits, PCM); the sound effect plays "
                                                      "nothing."));
    setInt(*cell, handle);
}

void _n_playSE(TValue* cell, int argc, int) {
    if (argc < 1 || !soundState().enabled) return;
    int handle = toInt(argument(cell, 1));
    if (handle == 0) return;
    bool loop = argc >= 2 && truthiness(argument(cell, 2));
    int volume = argc >= 3 ? toInt(argument(cell, 3)) : 128;
    soundEngine().PlaySE(handle, volume, loop); // only handles it issued
}

void _n_freeSE(TValue* cell, int argc, int) {
    if (argc < 1) return;
    int handle = toInt(argument(cell, 1));
    if (handle != 0) soundEngine().FreeSE(handle);
}

// ---- BGM -------------------------------------------------------------------------

void _n_playBGM(TValue* cell, int argc, int) {
    TSoundState& s = soundState();
    if (!s.enabled || argc < 1) return;
    if (argc >= 2) s.repeatMidi = truthiness(argument(cell, 2));
    std::string file = fileArgument(cell, 1);
    std::string ext = foldCase(extension(file));
    if (ext == ".mml") {
        ReportProblemOnce(file,
                          shownPath(file) + translate(" is a song's source, not a song: compile it "
                                                      "with ravok-mml into a .sdv file and play "
                                                      "that."));
        return;
    }
    // A FIFO or a device would hold the song's reader or the MIDI helper.
    if (!regularFileExists(file)) {
        soundMissing(file, "no music plays."); // message
        return;
    }
    if (ext != ".sdv" && ext != ".mid" && ext != ".midi") {
        ReportProblemOnce(file,
                          shownPath(file) + translate(" is not a song: BGM plays .sdv songs (made "
                                                      "with ravok-mml) and .mid files."));
        return;
    }
    if (ext == ".sdv") {
        // A MIDI file that is playing goes on; the two kinds do not stop each other.
        TSorvald& sv = soundEngine();
        sv.LoadSong(file);
        sv.StartSong();
        s.musicKind = 1;
    } else if (ext == ".mid" || ext == ".midi") {
        s.musicKind = 2;
        // The helper is a host program: it gets the host's name of the file.
        sendMidiCommand(midiCommandFile(), s.repeatMidi ? 'R' : 'P', toHostPath(file));
    }
}

// ---- MediaPlayer ---------------------------------------------------------------

void _n_start(TValue*, int, int) {
    soundEngine().start();
    soundState().musicKind = 1;
}

void _n_stop(TValue*, int, int) { stopMusic(); }

void _n_setEnable(TValue* cell, int argc, int) {
    if (argc >= 1) soundEngine().SetEnabled(truthiness(argument(cell, 1)));
}

void _n_setVolume(TValue* cell, int argc, int) {
    if (argc < 1) return;
    int v = toInt(argument(cell, 1));
    soundEngine().SetVolume(v < 0 ? 0 : v);
}

void _n_setDelay(TValue* cell, int argc, int) {
    if (argc >= 1) soundEngine().setDelay(toInt(argument(cell, 1)));
}

void _n_calibration(TValue* cell, int argc, int) {
    if (argc >= 2) soundEngine().SetCalibration(toInt(argument(cell, 1)), toInt(argument(cell, 2)));
}

void _n_setBSize(TValue* cell, int argc, int) {
    if (argc >= 1) soundEngine().SetRenderAhead(toInt(argument(cell, 1)));
}

void _n_sound(TValue* cell, int argc, int) {
    if (argc < 4) return;
    soundEngine().QueueEvent(toInt(argument(cell, 1)), toInt(argument(cell, 2)),
                             toInt(argument(cell, 3)), toInt(argument(cell, 4)));
}

void _n_getPlayPos(TValue* cell, int argc, int) {
    setInt(*cell, soundEngine().GetPosition(argc >= 1 ? toInt(argument(cell, 1)) : 0));
}

} // namespace

TSoundState& soundState() {
    static TSoundState state;
    return state;
}

namespace {
std::string& commandFileOverride() {
    static std::string file;
    return file;
}
} // namespace

std::string midiCommandFile() {
    return commandFileOverride().empty() ? programDirectory() + "\\Kernel\\sig"
                                         : commandFileOverride();
}

void setMidiCommandFile(const std::string& file) { commandFileOverride() = file; }

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
        {"MediaPlayer", "_n_start", _n_start},
        {"MediaPlayer", "_n_stop", _n_stop},
        {"MediaPlayer", "_n_setEnable", _n_setEnable},
        {"MediaPlayer", "_n_setVolume", _n_setVolume},
        {"MediaPlayer", "_n_setDelay", _n_setDelay},
        {"MediaPlayer", "_n_calibration", _n_calibration},
        {"MediaPlayer", "_n_setBSize", _n_setBSize},
        {"MediaPlayer", "_n_sound", _n_sound},
        {"MediaPlayer", "_n_getPlayPos", _n_getPlayPos},
    };
    return list;
}

} // namespace ravok
