// What the player's own settings change in a running game: the mixer's
// volume for music and effects, and the pause a player asks for (which holds
// the game as losing the window's focus does).
#pragma once

namespace ravok {

// Reads the settings file and applies it; a missing file leaves the defaults.
void loadPlayerSettings();
// The volume and mute of the settings, into the mixer.
void applyPlayerVolume();
// Pauses or resumes the game for the player (Ctrl+P); true when paused now.
bool togglePlayerPause();

} // namespace ravok
