// F1 for a game without a help page of its own: a short page of the
// player's keys, with the game's title and author.
#pragma once

#include <gtk/gtk.h>

namespace ravok {

void showBuiltInHelp(GtkWidget* parent);

} // namespace ravok
