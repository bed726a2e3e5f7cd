// The debug window's Source view: a source file of the game with the line
// the held process stands on, breakpoints set and cleared by a click in the
// margin, the buttons that continue and step by statement (F5, F10, F11,
// Shift+F11), the call stack with each frame's place, the variables by name
// (objects opened one level at a time) and watch expressions.
#pragma once

#include <gtk/gtk.h>

namespace ravok {

struct THoldView;

// The view's widgets; the debug window packs them beside its own lists.
GtkWidget* buildSourceView(GtkWidget* window);
void sourceViewHold(const THoldView& view);
void sourceViewReleased();
// The window came up: the file list is filled with the game's sources.
void sourceViewShown();

} // namespace ravok
