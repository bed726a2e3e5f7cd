// --record FILE: what a player does in the window, written as the --input
// script that plays it again headless. Keys, joysticks and the window's
// activity are written as the game sees them, at the start of every batch
// of frames (the game reads them as states, and nothing changes them while a
// batch runs); mouse moves and clicks as they happen, since a click runs
// script at once. Every line names the frame that runs next, which is the
// frame before which the headless run applies it.
#pragma once

#include "base/joy_source.h"

#include <array>
#include <cstdio>
#include <string>

namespace ravok {

class TKeySource;

class TInputRecorder {
public:
    TInputRecorder() = default;
    ~TInputRecorder() { close(); }
    TInputRecorder(const TInputRecorder&) = delete;
    TInputRecorder& operator=(const TInputRecorder&) = delete;

    // Creates the file; false with the reason when it cannot.
    bool open(const std::string& hostPath, std::string& error);
    bool isOpen() const { return file_ != nullptr; }
    void close();

    // Before a batch whose first frame is nextFrame: the changes of the key
    // states (the mouse buttons aside, which clicks write), the activity and
    // the readings of joysticks 0 and 1.
    void beforeFrames(long nextFrame, TKeySource& keys, TJoySource& joysticks);
    void mouseMove(long nextFrame, int x, int y);
    void mouseDown(long nextFrame, bool left, int x, int y);
    void mouseUp(long nextFrame, bool left);

private:
    void line(long frame, const std::string& text);

    std::FILE* file_ = nullptr;
    std::array<bool, 256> down_{};
    bool active_ = true;
    std::array<bool, 2> joyKnown_{};
    std::array<TJoyReading, 2> joy_{};
    int lastX_ = -1, lastY_ = -1;
};

} // namespace ravok
