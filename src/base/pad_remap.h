// The player's remapping of a gamepad for the game playing: which of the
// pad's buttons stands for which button the game reads, and the sticks' axes
// swapped or turned round. A joystick source wraps another and hands the
// game the remapped reading.
#pragma once

#include "base/joy_source.h"

#include <map>
#include <string>

namespace ravok {

struct TPadMap {
    std::map<int, int> buttons; // the pad's button (0..31) -> the button the game reads
    bool swapXY = false;
    bool invertX = false;
    bool invertY = false;

    bool empty() const { return buttons.empty() && !swapXY && !invertX && !invertY; }
    TJoyReading apply(const TJoyReading& pad) const;
    // "0>2,1>0,swap,-x,-y" and back; text it cannot read is left out.
    std::string text() const;
    static TPadMap parse(const std::string& text);
};

class TRemappedJoySource : public TJoySource {
public:
    explicit TRemappedJoySource(TJoySource& inner) : inner_(inner) {}
    bool read(int id, TJoyReading& reading) override;
    TJoySource& inner() { return inner_; }
    TPadMap map;

private:
    TJoySource& inner_;
};

} // namespace ravok
