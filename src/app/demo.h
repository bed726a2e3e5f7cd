// The built-in demonstration: until the player can load a game, running it
// without arguments lists and runs a small hand-assembled program.
#pragma once

namespace ravok {

// Prints the listing of the demo's code images and its output; returns the
// exit status (0, or 2 when the demo process failed).
int runDemo();

} // namespace ravok
