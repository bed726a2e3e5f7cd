#include "screen/window_natives.h"

#include "screen/screen.h"
#include "screen/screen_window.h"

#include "resources/environment.h"
#include "runtime/native_api.h"
#include "runtime/value_ops.h"

namespace ravok {

namespace {

using native::argument;

// _n_setSize(width, height, unlocked)
void _n_setSize(TValue* cell, int argc, int) {
    if (argc < 3) return;
    TScreen& s = screen();
    s.SizeUnlocked = truthiness(argument(cell, 3));
    screenWindow().setClientSize(toInt(argument(cell, 1)), toInt(argument(cell, 2)));
}

// _n_setPos(x, y)
void _n_setPos(TValue* cell, int argc, int) {
    if (argc < 2) return;
    TScreen& s = screen();
    s.windowX = toInt(argument(cell, 1));
    s.windowY = toInt(argument(cell, 2));
    screenWindow().setWindowPos(s.windowX, s.windowY);
}

// _n_setDrawMode(mode): 1, 2 or 3 as if chosen from the menu.
void _n_setDrawMode(TValue* cell, int argc, int) {
    if (argc < 1) return;
    int mode = toInt(argument(cell, 1));
    if (mode < 1 || mode > 3) return;
    TScreen& s = screen();
    s.DrawMethod = mode;
    TEnvironment::instance().setEnv("DrawMode", std::to_string(mode));
    TEnvironment::instance().save();
    screenWindow().drawMethodChanged(mode);
}

} // namespace

const std::vector<TNativeBinding>& windowNatives() {
    static const std::vector<TNativeBinding> list = {
        {"Window", "_n_setSize", _n_setSize},
        {"Window", "_n_setPos", _n_setPos},
        {"Window", "_n_setDrawMode", _n_setDrawMode},
    };
    return list;
}

} // namespace ravok
