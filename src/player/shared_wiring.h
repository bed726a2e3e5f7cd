// The implementations every player installs into the seams of the layers
// below it: the compiler into the resource tree's passes and into script
// evaluation, the tree as the scope of $ globals, the message table as the
// translator, the sound engine as the ticker that keeps music playing. Each
// player's own wiring (app/headless_wiring.h, desktop/desktop_wiring.h)
// calls this first; tests that boot the kernel call it too.
#pragma once

namespace ravok {

void wireSharedServices();

} // namespace ravok
