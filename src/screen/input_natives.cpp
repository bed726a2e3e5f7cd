#include "screen/input_natives.h"

#include "runtime/native_api.h"
#include "runtime/value_ops.h"
#include "screen/joystick.h"
#include "screen/key_state.h"
#include "screen/screen.h"
#include "screen/screen_window.h"

namespace ravok {

namespace {

// getkey(code): the key's hold count; getkey() starts a new frame of polling.
void getkey(TValue* cell, int argc, int) {
    if (argc < 1) {
        keyState().newFrame();
        return;
    }
    setInt(*cell, keyState().holdCount(toInt(native::argument(cell, 1))));
}

using native::argument;

// ---- MouseManager (argument 1 is passed and not used) ----------------------

void _n_moveCursor(TValue* cell, int argc, int) {
    if (argc < 3) return;
    screenWindow().moveCursorTo(toInt(argument(cell, 2)), toInt(argument(cell, 3)));
}

void _n_showCursor(TValue* cell, int argc, int) {
    if (argc < 2) return;
    screenWindow().showCursor(truthiness(argument(cell, 2)));
}

void _n_refreshXY(TValue*, int argc, int) {
    if (argc < 1) return;
    int x = 0, y = 0;
    if (!screenWindow().cursorInGame(x, y)) return;
    native::setGlobal("$mouseX", TValue::ofInt(x));
    native::setGlobal("$mouseY", TValue::ofInt(y));
}

// ---- JoyStick: every native polls its joystick first ------------------------

int64_t joyId(TValue* cell, int i) { return toInt(argument(cell, i)); }

void _n_getX(TValue* cell, int argc, int) {
    if (argc < 1) return;
    joystickState().poll(joyId(cell, 1));
    setInt(*cell, int32_t(joystickState().reading(joyId(cell, 1)).x));
}

void _n_getY(TValue* cell, int argc, int) {
    if (argc < 1) return;
    joystickState().poll(joyId(cell, 1));
    setInt(*cell, int32_t(joystickState().reading(joyId(cell, 1)).y));
}

template <TJoystickState::TDirection D> void direction(TValue* cell, int argc, int) {
    if (argc < 1) return;
    joystickState().poll(joyId(cell, 1));
    setInt(*cell, joystickState().direction(joyId(cell, 1), D));
}

void _n_getButtons(TValue* cell, int argc, int) {
    if (argc < 2) return;
    joystickState().poll(joyId(cell, 2));
    setInt(*cell, joystickState().button(joyId(cell, 2), toInt(argument(cell, 1))));
}

} // namespace

const std::vector<TNativeBinding>& inputNatives() {
    static const std::vector<TNativeBinding> list = {
        {"classes.lang.Object", "getkey", getkey},
        {"MouseManager", "_n_moveCursor", _n_moveCursor},
        {"MouseManager", "_n_showCursor", _n_showCursor},
        {"MouseManager", "_n_refreshXY", _n_refreshXY},
        {"JoyStick", "_n_getX", _n_getX},
        {"JoyStick", "_n_getY", _n_getY},
        {"JoyStick", "_n_left", direction<TJoystickState::Left>},
        {"JoyStick", "_n_right", direction<TJoystickState::Right>},
        {"JoyStick", "_n_up", direction<TJoystickState::Up>},
        {"JoyStick", "_n_down", direction<TJoystickState::Down>},
        {"JoyStick", "_n_getButtons", _n_getButtons},
    };
    return list;
}

} // namespace ravok
