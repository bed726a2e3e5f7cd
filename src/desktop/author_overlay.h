// The authors' overlay (F3): frames a second, the last batch's milliseconds
// and instructions, live objects and processes, and the arena's use, drawn
// over the picture in the window, never into the game's frame, so shots and
// golden frames are the same with it on or off. Off, it costs nothing.
#pragma once

typedef struct _cairo cairo_t;

namespace ravok {

bool authorOverlayOn();
void toggleAuthorOverlay();
// A frame was presented (counted for frames a second while the overlay is on).
void overlayFramePresented();
// Draws the overlay with its top-left corner at (x, y) of the window's area.
void drawAuthorOverlay(cairo_t* cr, int x, int y);

} // namespace ravok
