// The player's own settings, one file per user: volume, mute, zoom (per
// game), pacing and keys. They belong to the person playing, not to a game,
// so they live in the per-user folder ($XDG_DATA_HOME/ravok/player.ini, or
// the file $RAVOK_PLAYER_SETTINGS names) and are written atomically: a crash
// while saving leaves the old file whole.
#pragma once

#include <map>
#include <string>

namespace ravok {

struct TPlayerSettings {
    int musicVolume = 100;   // percent, 0 to 100
    int effectsVolume = 100; // percent, 0 to 100
    bool mute = false;
    bool matchRefresh = false;       // one game frame a display refresh, where the rates match
    bool keysByPosition = false;     // keys read where they sit, as on a US layout
    std::map<std::string, int> zoom; // by game id; 0: fit the window
    // By game id: the key pressed -> the key the game reads (virtual codes).
    std::map<std::string, std::map<int, int>> keyMaps;
    // By game id: the gamepad's remapping, as TPadMap writes it.
    std::map<std::string, std::string> padMaps;

    static TPlayerSettings& instance();
    // The file's path; empty when no per-user folder is known.
    static std::string path();
    // Reads the file (a missing or damaged one leaves the defaults, damaged
    // lines one by one); false when it could not be read.
    bool load();
    // Writes the file: a temporary beside it, then renamed over it.
    bool save() const;

    int zoomFor(const std::string& game) const;
    // The gains the mixer applies, out of 256.
    int musicGain() const { return mute ? 0 : musicVolume * 256 / 100; }
    int effectsGain() const { return mute ? 0 : effectsVolume * 256 / 100; }
};

} // namespace ravok
