// What the screen asks of the window it is shown in: the Window natives'
// effects, the display surface of presentation method C, the mouse cursor,
// and presenting a finished frame. The default is a player without a window:
// the screen's state changes, nothing is shown, and the cursor is unknown.
#pragma once

namespace ravok {

class TSurface;
struct TRect;

class TScreenWindow {
public:
    virtual ~TScreenWindow() = default;
    virtual void setClientSize(int /*width*/, int /*height*/) {}
    virtual void setWindowPos(int /*x*/, int /*y*/) {}
    virtual void drawMethodChanged(int /*method*/) {}
    // Method C draws straight into the window's own surface; nullptr: into
    // the back surface.
    virtual TSurface* displaySurface() { return nullptr; }
    // The mouse cursor in game-screen pixels (full-screen offsets and the
    // window's origin taken care of); false when it is not known.
    virtual bool cursorInGame(int& /*x*/, int& /*y*/) { return false; }
    virtual void moveCursorTo(int /*x*/, int /*y*/) {}
    virtual void showCursor(bool /*show*/) {}
    // Shows the finished frame.
    virtual void present(const TSurface& /*surface*/, const TRect& /*client*/) {}
};

TScreenWindow& screenWindow();
// nullptr restores the window-less default.
void setScreenWindow(TScreenWindow* window);

} // namespace ravok
