// The frame both remap dialogs stand in: a list of "what you press / what
// the game reads" rows, a prompt line for the step under way and a row for
// the dialog's buttons. The dialogs fill the rows and add their buttons.
#pragma once

#include <gtk/gtk.h>

namespace ravok {

struct TRemapShell {
    GtkWidget* dialog = nullptr;
    GtkWidget* box = nullptr;     // the dialog's column, for more rows below
    GtkListStore* rows = nullptr; // two strings: what is pressed, what the game reads
    GtkWidget* prompt = nullptr;
    GtkWidget* buttons = nullptr; // a horizontal row
};

// `title` and `pressedColumn` are the player's own words (translated here).
TRemapShell makeRemapShell(GtkWindow* parent, const char* title, const char* pressedColumn,
                           int listHeight);

} // namespace ravok
