#include "midi_synth.h"

#include <fluidsynth.h>

#include <chrono>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace midiplayer {

namespace {

constexpr int kRate = 44100;

int64_t nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void put32(FILE* f, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        std::fputc(int(v >> (8 * i) & 0xFF), f);
}
void put16(FILE* f, uint16_t v) {
    std::fputc(v & 0xFF, f);
    std::fputc(v >> 8, f);
}

void writeWavHeader(FILE* f, uint32_t dataBytes) {
    std::fwrite("RIFF", 1, 4, f);
    put32(f, 36 + dataBytes);
    std::fwrite("WAVEfmt ", 1, 8, f);
    put32(f, 16);
    put16(f, 1);
    put16(f, 2); // stereo, as the synthesizer renders
    put32(f, kRate);
    put32(f, kRate * 4);
    put16(f, 4);
    put16(f, 16);
    std::fwrite("data", 1, 4, f);
    put32(f, dataBytes);
}

} // namespace

TMidiSynth::TMidiSynth(const std::string& soundfont, const std::string& renderFile) {
    // Its chatter about missing drivers would only confuse the player's users.
    fluid_set_log_function(FLUID_WARN, nullptr, nullptr);
    fluid_set_log_function(FLUID_INFO, nullptr, nullptr);
    fluid_set_log_function(FLUID_DBG, nullptr, nullptr);
    settings_ = new_fluid_settings();
    fluid_settings_setnum(settings_, "synth.sample-rate", kRate);
    fluid_settings_setnum(settings_, "synth.gain", 0.5);
    // The file player follows the rendered samples, so a rendered file keeps
    // the song's own timing whatever the pace of rendering.
    fluid_settings_setstr(settings_, "player.timing-source", "sample");
    synth_ = new_fluid_synth(settings_);
    if (!soundfont.empty())
        soundfontLoaded_ = fluid_synth_sfload(synth_, soundfont.c_str(), 1) != FLUID_FAILED;
    if (!renderFile.empty()) {
        wav_ = std::fopen(renderFile.c_str(), "wb");
        if (wav_) writeWavHeader(wav_, 0);
    } else {
        // Without a sound card the audio libraries print pages of errors; the
        // helper says it in one line instead.
        fluid_set_log_function(FLUID_ERR, nullptr, nullptr);
        int saved = dup(2);
        int quiet = open("/dev/null", O_WRONLY);
        if (saved >= 0 && quiet >= 0) dup2(quiet, 2);
        driver_ = new_fluid_audio_driver(settings_, synth_);
        if (saved >= 0) {
            dup2(saved, 2);
            close(saved);
        }
        if (quiet >= 0) close(quiet);
        // Said when a file is played, not at start: most games play none.
        silent_ = !driver_;
    }
    startNs_ = nowNs();
}

TMidiSynth::~TMidiSynth() {
    pump();
    stop();
    if (driver_) delete_fluid_audio_driver(driver_);
    finishWav();
    delete_fluid_synth(synth_);
    delete_fluid_settings(settings_);
}

void TMidiSynth::finishWav() {
    if (!wav_) return;
    std::fseek(wav_, 0, SEEK_SET);
    writeWavHeader(wav_, uint32_t(rendered_ * 4));
    std::fclose(wav_);
    wav_ = nullptr;
}

bool TMidiSynth::play(const std::string& file, bool loop) {
    stop();
    if (!fluid_is_midifile(file.c_str())) return false;
    player_ = new_fluid_player(synth_);
    if (fluid_player_add(player_, file.c_str()) != FLUID_OK) {
        delete_fluid_player(player_);
        player_ = nullptr;
        return false;
    }
    fluid_player_set_loop(player_, loop ? -1 : 1);
    fluid_player_play(player_);
    if (silent_ && !silenceSaid_) {
        std::fprintf(stderr, "midiPlayer2: no sound device; MIDI files play silently\n");
        silenceSaid_ = true;
    }
    return true;
}

void TMidiSynth::stop() {
    if (player_) {
        fluid_player_stop(player_);
        fluid_player_join(player_);
        delete_fluid_player(player_);
        player_ = nullptr;
    }
    fluid_synth_all_sounds_off(synth_, -1);
}

void TMidiSynth::pump() {
    if (driver_) return; // the sound card's driver pulls the samples
    uint64_t due = uint64_t((nowNs() - startNs_) / 1000) * kRate / 1000000;
    std::vector<int16_t> block(2 * 512);
    while (rendered_ < due) {
        int n = int(std::min<uint64_t>(512, due - rendered_));
        fluid_synth_write_s16(synth_, n, block.data(), 0, 2, block.data(), 1, 2);
        if (wav_) std::fwrite(block.data(), 4, size_t(n), wav_);
        rendered_ += uint64_t(n);
    }
}

} // namespace midiplayer
