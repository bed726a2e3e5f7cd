// The profile by script method in a window (Options > Profile by Method):
// the methods by their own time, refreshed twice a second while it is open,
// with a button that starts the count again. Profiling runs only while the
// window is open.
#pragma once

#include <gtk/gtk.h>

namespace ravok {

void showMethodProfileWindow(GtkWindow* parent);

} // namespace ravok
