// What the input layer asks the platform about joysticks: one reading of
// joystick 0 or 1 (axes in 0..65535 with the centre near 32768, buttons as
// bits). A failed read (no such joystick) leaves the previous reading.
#pragma once

#include <cstdint>

namespace ravok {

struct TJoyReading {
    uint32_t x = 32768, y = 32768, z = 32768;
    uint32_t buttons = 0;
};

class TJoySource {
public:
    virtual ~TJoySource() = default;
    virtual bool read(int id, TJoyReading& reading) = 0;
};

// No joysticks: every read fails.
TJoySource& noJoySource();

TJoySource& joySource();
// nullptr restores noJoySource().
void setJoySource(TJoySource* source);

} // namespace ravok
