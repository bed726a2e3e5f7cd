// Player > Volume: music and effects, each 0 to 100 %, applied to the mixer
// as the sliders move and kept in the player's settings when closed.
#pragma once

#include <gtk/gtk.h>

namespace ravok {

void showVolumeDialog(GtkWindow* parent);

} // namespace ravok
