// The script dialog boxes as GTK windows: the input box and the select box
// as small modeless windows over the screen window, the text editor as a
// borderless window laid over the game picture. None of them runs a nested
// loop; the frame loop goes on while they are open, and what the user does
// in them lands in the dialogs' models at once.
#pragma once

typedef struct _GtkWidget GtkWidget;

namespace ravok {

class TDialogHost;

// Where a point of the game screen is on the display, and how many display
// pixels one game pixel takes; false before the window is shown.
struct TGamePlacement {
    int rootX = 0, rootY = 0;
    int scale = 1;
};
bool placeGamePoint(int x, int y, TGamePlacement& placed);

TDialogHost& desktopDialogHost();
// The windows are made on first use, transient for the screen window.
void setDialogParent(GtkWidget* window);

} // namespace ravok
