// Player > Remap Keys: for the game playing, which key you press for a key
// the game expects. Add: press the key the game expects, then the key you
// want; Reset forgets the game's remapping. Kept per game in the player's
// settings.
#pragma once

#include <gtk/gtk.h>

#include <string>

namespace ravok {

void showKeyRemapDialog(GtkWindow* parent);
// The remapping of the game now playing, into the key source (again when
// another game has started).
void applyGameKeyMap();
// A virtual key code as a person reads it: "W", "Left", "Space".
std::string keyName(int code);

} // namespace ravok
