// `ravok`: the player without the desktop libraries; a window is
// ravok-desktop's.
#include "app/command_line.h"
#include "app/window_player.h"

int main(int argc, char** argv) { return ravok::playerMain(argc, argv, ravok::desktopLauncher()); }
