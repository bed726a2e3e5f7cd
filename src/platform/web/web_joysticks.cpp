#include "platform/web/web_joysticks.h"

#include <emscripten/html5.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace ravok {

namespace {

uint32_t axisValue(double v) {
    return uint32_t(std::lround((std::clamp(v, -1.0, 1.0) + 1.0) * 32767.5));
}

// The standard layout's buttons by the bit games read them at.
constexpr int kStandardButtons[] = {0, 1, 2, 3, 4, 5, 8, 9, 10, 11};
constexpr int kLeftTriggerBit = 10, kRightTriggerBit = 11, kGuideBit = 12;
enum { kPadUp = 12, kPadDown = 13, kPadLeft = 14, kPadRight = 15, kGuide = 16 };

class TWebJoySource : public TJoySource {
public:
    bool read(int id, TJoyReading& reading) override {
        if (id < 0 || id > 1) return false;
        if (emscripten_sample_gamepad_data() != EMSCRIPTEN_RESULT_SUCCESS) return false;
        int seen = 0;
        int count = emscripten_get_num_gamepads();
        for (int i = 0; i < count; ++i) {
            EmscriptenGamepadEvent e;
            if (emscripten_get_gamepad_status(i, &e) != EMSCRIPTEN_RESULT_SUCCESS || !e.connected)
                continue;
            if (seen++ != id) continue;
            reading = std::strcmp(e.mapping, "standard") == 0 ? standard(e) : plain(e);
            return true;
        }
        return false;
    }

private:
    static TJoyReading standard(const EmscriptenGamepadEvent& e) {
        TPadState pad;
        for (int a = 0; a < 4 && a < e.numAxes; ++a)
            pad.axes[a] = e.axis[a];
        for (int b = 0; b < 17 && b < e.numButtons; ++b)
            pad.buttons[b] = e.digitalButton[b];
        if (e.numButtons > 7)
            pad.triggers[0] = e.analogButton[6], pad.triggers[1] = e.analogButton[7];
        return standardReading(pad);
    }
    static TJoyReading plain(const EmscriptenGamepadEvent& e) {
        TJoyReading r;
        if (e.numAxes > 0) r.x = axisValue(e.axis[0]);
        if (e.numAxes > 1) r.y = axisValue(e.axis[1]);
        if (e.numAxes > 2) r.z = axisValue(e.axis[2]);
        for (int b = 0; b < 32 && b < e.numButtons; ++b)
            if (e.digitalButton[b]) r.buttons |= 1u << b;
        return r;
    }
};

} // namespace

TJoyReading standardReading(const TPadState& pad) {
    TJoyReading r;
    r.x = axisValue(pad.axes[0]);
    r.y = axisValue(pad.axes[1]);
    r.z = axisValue(pad.axes[2]);
    if (pad.buttons[kPadLeft]) r.x = 0;
    if (pad.buttons[kPadRight]) r.x = 65535;
    if (pad.buttons[kPadUp]) r.y = 0;
    if (pad.buttons[kPadDown]) r.y = 65535;
    for (int bit = 0; bit < int(std::size(kStandardButtons)); ++bit)
        if (pad.buttons[kStandardButtons[bit]]) r.buttons |= 1u << bit;
    if (pad.triggers[0] > 0.5) r.buttons |= 1u << kLeftTriggerBit;
    if (pad.triggers[1] > 0.5) r.buttons |= 1u << kRightTriggerBit;
    if (pad.buttons[kGuide]) r.buttons |= 1u << kGuideBit;
    return r;
}

TJoySource& webJoySource() {
    static TWebJoySource source;
    return source;
}

} // namespace ravok
