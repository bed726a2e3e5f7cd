// Player > Remap Pad: for the game playing, which of your gamepad's buttons
// stands for which button the game reads, and its stick swapped or turned
// round. Add: press a button on the pad, then choose the game's button;
// Reset forgets the game's remapping. Kept per game in the player's settings.
#pragma once

#include <gtk/gtk.h>

namespace ravok {

class TRemappedJoySource;

// The desktop's joystick source, SDL's with the player's remapping on it.
TRemappedJoySource& remappedPads();
void showPadRemapDialog(GtkWindow* parent);
// The remapping of the game now playing, into the source (again when another
// game has started).
void applyGamePadMap();

} // namespace ravok
