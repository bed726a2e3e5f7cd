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
    // The game's screen: $screenWidth x $screenHeight, or the window's
    // 560 x 400 while the game sets none.
    TRect clientRect() const;

    // Clear with white (or $bgcolor once a page runs), draw the sprites,
    // present.
    void DrawAll();

    TSpriteList Sprites;
    bool DrawingFrame = true;
    bool DrawingStopped = false;
    int64_t presentations = 0;

    // The window's side of the state the Window natives set.
    int DrawMethod = 1;           // 1, 2, 3: presentation A, B, C
    bool SizeUnlocked = false;    // the window may be resized and tells the script
    int windowX = 270, windowY = 101;
    // The desktop window's answers to the natives; missing: only the state changes.
    void (*setClientSize)(int width, int height) = nullptr;
    void (*setWindowPos)(int x, int y) = nullptr;
    void (*drawMethodChanged)(int method) = nullptr;
    // Method C draws straight into the window's own surface.
    TSurface* (*displaySurface)() = nullptr;
    // The mouse cursor, in game-screen pixels (full-screen offsets and the
    // window's origin taken care of by the platform).
    bool (*cursorInGame)(int& x, int& y) = nullptr;
    void (*moveCursorTo)(int x, int y) = nullptr;
    void (*showCursor)(bool show) = nullptr;

    // Shows the finished frame; missing: frames are drawn and not shown.
    void (*present)(const TSurface& surface, const TRect& client) = nullptr;
    // Whether a page is running and the player has booted (the clear colour).
    bool (*pageRunning)() = nullptr;

private:
    std::unique_ptr<TSurface> back_;
};

TScreen& screen();

// The sound engine's delay in samples from the setting SvDelay: a number
// above 0 is taken; otherwise 9000 on the operating system version 6 that
// needed it, else the engine's own delay. (This player reports no such
// version: 0.)
int soundDelayFor(const std::string& svDelay, int osMajorVersion, int engineDelay);

} // namespace ravok
