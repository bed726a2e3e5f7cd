// The window's error box: the report's position and message, the source line
// with its marker, the call trace, and a button that copies all of it.
#pragma once

#include <gtk/gtk.h>

namespace ravok {

struct TErrorReport;

// Runs the box modally over parent; returns when the user closes it.
void runErrorBox(GtkWindow* parent, const TErrorReport& report);

} // namespace ravok
