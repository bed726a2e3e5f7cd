// Joysticks 0 and 1 from the browser's Gamepad API: the first two pads
// connected, in the order the browser numbers them. A pad the browser maps
// to its standard layout is read in the layout the desktop reads gamepads
// in (see platform/sdl/sdl_joysticks.h); any other as a plain joystick,
// axes 0-2 and every button in order.
#pragma once

#include "base/joy_source.h"

namespace ravok {

TJoySource& webJoySource();

// One reading from a pad's state in the standard layout (axes -1..1,
// buttons pressed or not, trigger values 0..1), for the source and tests.
struct TPadState {
    double axes[4] = {0, 0, 0, 0};
    bool buttons[17] = {};
    double triggers[2] = {0, 0};
};
TJoyReading standardReading(const TPadState& pad);

} // namespace ravok
