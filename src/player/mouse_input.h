// What a click, a drag and a release do to the game, in game-screen pixels:
// the window's handlers and the headless input script both come here. A
// press finds the owners of the sprites under the point (their mouseDown,
// in sprite-list order) or calls $_mouse_event.onDown; a move with a button
// held sets the mouse globals and runs a frame at once; a release calls
// inspect of the object clicked last.
#pragma once

#include <cstdint>

namespace ravok {

class TMouseInput {
public:
    static TMouseInput& instance();

    void down(int x, int y, bool leftButton);
    void move(int x, int y, uint32_t nowMs);
    void up(bool leftButton);

    bool left = false, right = false;

private:
    int lastX_ = -1, lastY_ = -1, previousX_ = 0, previousY_ = 0;
    uint32_t lastMove_ = 0;
};

} // namespace ravok
