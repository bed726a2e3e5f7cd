// What the input layer asks the platform about keys: the physical state of a
// virtual key and whether the program is the active application. The desktop
// reads the asynchronous key state; headless runs report every key up.
#pragma once

namespace ravok {

class TKeySource {
public:
    virtual ~TKeySource() = default;
    // Virtual key code 0..255 (1 = left mouse button, 37..40 = cursor keys).
    virtual bool isDown(int code) = 0;
    virtual bool applicationActive() = 0;
};

// Every key up, always active: a player without a window.
TKeySource& headlessKeySource();

// The installed source, headlessKeySource() until a player installs its own.
TKeySource& keySource();
// nullptr restores headlessKeySource().
void setKeySource(TKeySource* source);

} // namespace ravok
