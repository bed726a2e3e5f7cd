// The player's command line, shared by `ravok` and `ravok-desktop`: the
// options, the program directory, and the choice between a script run, a
// check, the front-end tools, a headless run and a window (through the
// window player the executable gives).
#pragma once

namespace ravok {

class TWindowPlayer;

int playerMain(int argc, char** argv, TWindowPlayer& window);

} // namespace ravok
