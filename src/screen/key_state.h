// Key polling for scripts. Each of the 256 virtual keys has a hold count (how
// many consecutive frames it has been seen down) and a polled mark. While a
// game runs, a key is read from the platform at most once a frame, so every
// read within a frame agrees and the count grows by one per frame; the frame
// starts when the script library calls getkey() without an argument.
#pragma once

#include <array>
#include <cstdint>

namespace ravok {

// Keys are read from the installed key source (base/key_source.h).
class TKeyState {
public:
    // A new frame of polling: every key will be read again.
    void newFrame() { polled_.fill(false); }
    // The hold count of the key; codes outside 0..255 read key 0. In design
    // mode keys are read on every call, since no frames are counted there.
    int32_t holdCount(int64_t code);

    // When set (the default), keys read 0 while the program is not the active
    // application: the platform's key state is global, and a game in the
    // background must not react to typing meant for another window.
    bool DisableKeysWhenInactive = true;
    bool DesignMode = false;

private:
    std::array<int32_t, 256> counts_{};
    std::array<bool, 256> polled_{};
};

TKeyState& keyState();

} // namespace ravok
