#include "platform/sdl/sdl_joysticks.h"

#include <SDL.h>

#include <array>

namespace ravok {

namespace {

class TSdlJoysticks : public TJoySource {
public:
    ~TSdlJoysticks() override {
        for (SDL_Joystick* j : open_)
            if (j) SDL_JoystickClose(j);
        if (started_) SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    }

    bool read(int id, TJoyReading& r) override {
        if (id < 0 || id > 1 || !start()) return false;
        SDL_JoystickUpdate();
        SDL_Joystick*& j = open_[size_t(id)];
        if (j && !SDL_JoystickGetAttached(j)) {
            SDL_JoystickClose(j);
            j = nullptr;
        }
        if (!j && id < SDL_NumJoysticks()) j = SDL_JoystickOpen(id);
        if (!j) return false;
        auto axis = [&](int a) {
            return a < SDL_JoystickNumAxes(j) ? uint32_t(int32_t(SDL_JoystickGetAxis(j, a)) + 32768)
                                              : 32768u;
        };
        r.x = axis(0);
        r.y = axis(1);
        r.z = axis(2);
        r.buttons = 0;
        int buttons = std::min(SDL_JoystickNumButtons(j), 32);
        for (int b = 0; b < buttons; ++b)
            if (SDL_JoystickGetButton(j, b)) r.buttons |= 1u << b;
        return true;
    }

private:
    bool start() {
        if (!tried_) {
            tried_ = true;
            started_ = SDL_InitSubSystem(SDL_INIT_JOYSTICK) == 0;
        }
        return started_;
    }
    bool tried_ = false, started_ = false;
    std::array<SDL_Joystick*, 2> open_{};
};

} // namespace

TJoySource& sdlJoySource() {
    static TSdlJoysticks source;
    return source;
}

} // namespace ravok
