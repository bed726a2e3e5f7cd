#include "app/input_recorder.h"

#include "app/input_script.h"
#include "base/key_source.h"

#include <cerrno>
#include <cstring>

namespace ravok {

bool TInputRecorder::open(const std::string& hostPath, std::string& error) {
    close();
    file_ = std::fopen(hostPath.c_str(), "w");
    if (!file_) {
        error = hostPath + ": cannot be written: " + std::strerror(errno);
        return false;
    }
    std::fputs("# recorded by ravok --record; play it with --headless --input\n", file_);
    down_.fill(false);
    active_ = true;
    joyKnown_.fill(false);
    lastX_ = lastY_ = -1;
    return true;
}

void TInputRecorder::close() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
}

void TInputRecorder::line(long frame, const std::string& text) {
    if (!file_) return;
    std::fprintf(file_, "%ld %s\n", frame, text.c_str());
    // A bug report must survive the player being killed.
    std::fflush(file_);
}

void TInputRecorder::beforeFrames(long nextFrame, TKeySource& keys, TJoySource& joysticks) {
    if (!file_) return;
    bool active = keys.applicationActive();
    if (active != active_) {
        active_ = active;
        line(nextFrame, active ? "active" : "inactive");
    }
    for (int code = 0; code < 256; ++code) {
        if (code == 1 || code == 2) continue; // the mouse buttons: written by the clicks
        bool down = keys.isDown(code);
        if (down == down_[size_t(code)]) continue;
        down_[size_t(code)] = down;
        line(nextFrame, std::string(down ? "key-down " : "key-up ") + keyNameOf(code));
    }
    for (int id = 0; id < 2; ++id) {
        TJoyReading r;
        if (!joysticks.read(id, r)) continue;
        TJoyReading& last = joy_[size_t(id)];
        if (joyKnown_[size_t(id)] && r.x == last.x && r.y == last.y && r.buttons == last.buttons)
            continue;
        joyKnown_[size_t(id)] = true;
        last = r;
        line(nextFrame, "joy " + std::to_string(id) + " " + std::to_string(r.x) + " " +
                            std::to_string(r.y) + " " + std::to_string(r.buttons));
    }
}

void TInputRecorder::mouseMove(long nextFrame, int x, int y) {
    if (x == lastX_ && y == lastY_) return;
    lastX_ = x;
    lastY_ = y;
    line(nextFrame, "mouse-move " + std::to_string(x) + " " + std::to_string(y));
}

void TInputRecorder::mouseDown(long nextFrame, bool left, int x, int y) {
    lastX_ = x;
    lastY_ = y;
    line(nextFrame, std::string("mouse-down ") + (left ? "left " : "right ") + std::to_string(x) +
                        " " + std::to_string(y));
}

void TInputRecorder::mouseUp(long nextFrame, bool left) {
    line(nextFrame, std::string("mouse-up ") + (left ? "left" : "right"));
}

} // namespace ravok
