// The MIDI synthesizer behind the commands: FluidSynth with a General MIDI
// soundfont. It plays through the sound card when there is one; otherwise,
// or when asked to render into a WAV file, this program renders the samples
// itself at the pace of the clock, so a file plays for as long as it would
// be heard and a loop keeps looping.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

typedef struct _fluid_hashtable_t fluid_settings_t;
typedef struct _fluid_synth_t fluid_synth_t;
typedef struct _fluid_player_t fluid_player_t;
typedef struct _fluid_audio_driver_t fluid_audio_driver_t;

namespace midiplayer {

class TMidiSynth {
public:
    // renderFile empty: the sound card, or silence without one.
    TMidiSynth(const std::string& soundfont, const std::string& renderFile);
    ~TMidiSynth();
    TMidiSynth(const TMidiSynth&) = delete;
    TMidiSynth& operator=(const TMidiSynth&) = delete;

    // Returns false (and plays nothing) when the file is not a MIDI file.
    bool play(const std::string& file, bool loop);
    void stop();
    // Renders what is due since the last call when this program renders.
    void pump();

    bool hasSoundfont() const { return soundfontLoaded_; }
    bool hasDevice() const { return driver_ != nullptr; }

private:
    void finishWav();

    fluid_settings_t* settings_ = nullptr;
    fluid_synth_t* synth_ = nullptr;
    fluid_player_t* player_ = nullptr;
    fluid_audio_driver_t* driver_ = nullptr;
    bool soundfontLoaded_ = false;
    bool silent_ = false;      // no sound device was found
    bool silenceSaid_ = false; // and the user was told, once
    FILE* wav_ = nullptr;
    uint64_t rendered_ = 0; // samples rendered by pump()
    int64_t startNs_ = 0;
};

} // namespace midiplayer
