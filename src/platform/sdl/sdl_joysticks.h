// Joysticks 0 and 1 through SDL2: a device SDL knows as a gamepad (from the
// database SDL ships, and the mapping files given to addPadMappings) is read
// in the standard layout, anything else as a plain joystick. Axes are mapped
// to 0..65535, buttons to bits. Pads are taken as they come and go: one
// plugged in fills the first free number, one pulled out frees its number
// and reads fail, so the input layer keeps its last reading.
//
// The standard layout as games read it:
//   x, y     the left stick, or the d-pad where it is pressed
//   z        the right stick's horizontal axis
//   bits     0 A (south), 1 B (east), 2 X (west), 3 Y (north), 4 left shoulder,
//            5 right shoulder, 6 back, 7 start, 8 left stick, 9 right stick,
//            10 left trigger, 11 right trigger (pressed past half), 12 guide
#pragma once

#include "base/joy_source.h"

#include <string>

namespace ravok {

// The SDL joystick source (SDL's joystick subsystem is started on first use).
TJoySource& sdlJoySource();

// Adds the gamepad mappings of a file in SDL's text format (one
// "GUID,name,mapping" a line); the number added, or -1 when the file cannot
// be read. Starts SDL's joystick subsystem.
int addPadMappings(const std::string& hostPath);

} // namespace ravok
