// The desktop player's wiring: the shared services (player/shared_wiring.h),
// then message boxes, GTK keys and window activity, SDL joysticks and sound,
// the screen window, the activity indicator, the splash, and the MIDI helper
// started at boot.
#pragma once

namespace ravok {

void wireDesktop();

} // namespace ravok
