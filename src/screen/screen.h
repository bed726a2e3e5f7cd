// The screen's state without its window: the back surface frames are drawn
// into, the sprite list, the drawing-frame flag, and DrawAll, which clears,
// draws the sprites and hands the finished frame to the platform's presenter
// (the desktop window, or the headless recorder).
#pragma once

#include "screen/sprites.h"

#include "base/surface.h"

#include <memory>
#include <string>

namespace ravok {

class TScreen {
public:
    // The surface frames are drawn into, made (or enlarged) to hold the
    // game's screen with 50 pixels to spare each way.
    TSurface& backSurface();
    // The back surface as last drawn, neither made nor enlarged (the window's
    // paint handler and activity indicator must not fail); nullptr before
    // the first frame.
    TSurface* drawnBackSurface() { return back_.get(); }
    // The game's screen: $screenWidth x $screenHeight, or the window's
    // 560 x 400 while the game sets none.
    TRect clientRect() const;

    // Clear with white (or $bgcolor once a page runs), draw the sprites,
    // present.
    // Raises EInvalidOperation when no surface of the screen's size can be
    // had; the main loop turns that into DrawingStopped.
    void DrawAll();
    // DrawAll outside a frame (timers, pauses): a failed surface sets
    // DrawingStopped instead of escaping, and nothing is drawn while it is set.
    void DrawAllOrStop();

    TSpriteList Sprites;
    bool DrawingFrame = true;
    // Set when drawing a frame failed: the loop stops redrawing until the
    // window's next one-second tick or the next page load.
    bool DrawingStopped = false;
    // No compiled page is running: set before a page load, cleared when the
    // page compiled, set again when loading failed.
    bool NotRunning = true;
    int64_t presentations = 0;

    // The window's side of the state the Window natives set.
    int DrawMethod = 1;        // 1, 2, 3: presentation A, B, C
    bool SizeUnlocked = false; // the window may be resized and tells the script
    int windowX = 270, windowY = 101;

private:
    std::unique_ptr<TSurface> back_;
};

TScreen& screen();

// The first-time start-up is running / has finished.
inline bool Booting = false;
inline bool Booted = false;

// The sound engine's delay in samples from the setting SvDelay: a number
// above 0 is taken; otherwise 9000 on the operating system version 6 that
// needed it, else the engine's own delay. (This player reports no such
// version: 0.)
int soundDelayFor(const std::string& svDelay, int osMajorVersion, int engineDelay);

} // namespace ravok
