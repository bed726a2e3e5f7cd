#include "player/mouse_input.h"

#include "player/main_loop.h"

#include "kernel/boot.h"
#include "pages/page_state.h"
#include "runtime/native_api.h"
#include "screen/screen.h"

#include <algorithm>
#include <string>

namespace ravok {

namespace {

// Positions reach scripts as statement text and as sums (the hit rectangle's
// far side): a million pixels either way is more than any screen and keeps
// both within the integers.
int clamped(int v) { return std::clamp(v, -1000000, 1000000); }

} // namespace

TMouseInput& TMouseInput::instance() {
    static TMouseInput input;
    return input;
}

void TMouseInput::down(int x, int y, bool leftButton) {
    if (Booting) return;
    x = clamped(x);
    y = clamped(y);
    (leftButton ? left : right) = true;
    std::string args = std::to_string(x) + "," + std::to_string(y) + "," + (left ? "1" : "0") +
                       "," + (right ? "1" : "0");
    std::vector<uint32_t> owners =
        screen().Sprites.HitTest(screen().backSurface(), {x, y, x + 1, y + 1});
    if (owners.empty()) {
        native::evaluateStatements("$_tmp_cur_select=0;if ($_mouse_event) $_mouse_event.onDown (" +
                                   args + ");");
    } else {
        for (uint32_t owner : owners) {
            native::setGlobal("$_tmp_cur_select", TValue::ofObject(owner));
            native::evaluateStatements("$_tmp_cur_select.mouseDown(" + args + ");");
        }
    }
    if (pageState().designMode) TMainLoop::instance().RunOneFrame();
}

void TMouseInput::move(int x, int y, uint32_t nowMs) {
    if (screen().NotRunning || !Booted) return;
    x = clamped(x);
    y = clamped(y);
    if (nowMs - lastMove_ > 1000) {
        previousX_ = x;
        previousY_ = y;
    }
    lastMove_ = nowMs;
    if ((left || right) && (x != lastX_ || y != lastY_)) {
        native::setGlobal("$mouseX", TValue::ofInt(x));
        native::setGlobal("$mouseY", TValue::ofInt(y));
        native::setGlobal("$mouseSX", TValue::ofInt(previousX_));
        native::setGlobal("$mouseSY", TValue::ofInt(previousY_));
        native::setGlobal("$leftButton", TValue::ofInt(left ? 1 : 0));
        native::setGlobal("$rightButton", TValue::ofInt(right ? 1 : 0));
        if (pageState().designMode) {
            TMainLoop::instance().RunOneFrame();
            TMainLoop::instance().RunOneFrame();
        } else {
            TMainLoop::instance().Main();
        }
    }
    previousX_ = lastX_ < 0 ? x : lastX_;
    previousY_ = lastY_ < 0 ? y : lastY_;
    lastX_ = x;
    lastY_ = y;
}

void TMouseInput::up(bool leftButton) {
    if (Booting) return;
    (leftButton ? left : right) = false;
    native::evaluateStatements("if ($_tmp_cur_select) $_tmp_cur_select.inspect();");
    if (pageState().designMode) TMainLoop::instance().RunOneFrame();
}

} // namespace ravok
