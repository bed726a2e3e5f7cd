// Joysticks 0 and 1 through SDL2's joystick layer: axes mapped to 0..65535,
// buttons as bits. Without a joystick, reads fail and the previous readings
// stay, as the input layer expects.
#pragma once

#include "base/joy_source.h"

namespace ravok {

// The SDL joystick source (SDL's joystick subsystem is started on first use).
TJoySource& sdlJoySource();

} // namespace ravok
