// The about box ("Application Properties"): the running game's properties,
// its identification numbers and the system's version, from "&About..".
#pragma once

typedef struct _GtkWidget GtkWidget;

namespace ravok {

// Shows the box over the screen window, filled afresh (which draws from the
// scripts' random generator). The box is modeless: the game goes on.
void showAboutBox(GtkWidget* parent);

} // namespace ravok
