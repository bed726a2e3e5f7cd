#include "platform/sdl/sdl_joysticks.h"

#include <SDL.h>

#include <algorithm>
#include <array>

namespace ravok {

namespace {

constexpr int kLayout[] = {SDL_CONTROLLER_BUTTON_A,
                           SDL_CONTROLLER_BUTTON_B,
                           SDL_CONTROLLER_BUTTON_X,
                           SDL_CONTROLLER_BUTTON_Y,
                           SDL_CONTROLLER_BUTTON_LEFTSHOULDER,
                           SDL_CONTROLLER_BUTTON_RIGHTSHOULDER,
                           SDL_CONTROLLER_BUTTON_BACK,
                           SDL_CONTROLLER_BUTTON_START,
                           SDL_CONTROLLER_BUTTON_LEFTSTICK,
                           SDL_CONTROLLER_BUTTON_RIGHTSTICK};
constexpr int kLeftTriggerBit = 10, kRightTriggerBit = 11, kGuideBit = 12;

uint32_t axisValue(int16_t v) { return uint32_t(int32_t(v) + 32768); }

class TSdlJoysticks : public TJoySource {
public:
    ~TSdlJoysticks() override {
        for (TSlot& s : slots_)
            close(s);
        if (started_) SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER | SDL_INIT_JOYSTICK);
    }

    bool read(int id, TJoyReading& r) override {
        if (id < 0 || id > 1 || !start()) return false;
        SDL_JoystickUpdate();
        refresh();
        TSlot& s = slots_[size_t(id)];
        if (s.pad) {
            readPad(s.pad, r);
            return true;
        }
        if (!s.joy) return false;
        auto axis = [&](int a) {
            return a < SDL_JoystickNumAxes(s.joy) ? axisValue(SDL_JoystickGetAxis(s.joy, a))
                                                  : 32768u;
        };
        r.x = axis(0);
        r.y = axis(1);
        r.z = axis(2);
        r.buttons = 0;
        int buttons = std::min(SDL_JoystickNumButtons(s.joy), 32);
        for (int b = 0; b < buttons; ++b)
            if (SDL_JoystickGetButton(s.joy, b)) r.buttons |= 1u << b;
        return true;
    }

    int addMappings(const std::string& file) {
        if (!start()) return -1;
        return SDL_GameControllerAddMappingsFromFile(file.c_str());
    }

private:
    struct TSlot {
        SDL_JoystickID instance = -1;
        SDL_Joystick* joy = nullptr;       // a plain joystick
        SDL_GameController* pad = nullptr; // a gamepad in the standard layout
    };

    bool start() {
        if (!tried_) {
            tried_ = true;
            started_ = SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER | SDL_INIT_JOYSTICK) == 0;
        }
        return started_;
    }

    static void close(TSlot& s) {
        if (s.pad) SDL_GameControllerClose(s.pad);
        if (s.joy) SDL_JoystickClose(s.joy);
        s = TSlot();
    }

    // Pads pulled out free their numbers; new ones take the free numbers in
    // the order SDL lists them.
    void refresh() {
        for (TSlot& s : slots_) {
            SDL_Joystick* j = s.pad ? SDL_GameControllerGetJoystick(s.pad) : s.joy;
            if (j && !SDL_JoystickGetAttached(j)) close(s);
        }
        int count = SDL_NumJoysticks();
        for (TSlot& s : slots_) {
            if (s.instance >= 0) continue;
            for (int i = 0; i < count; ++i) {
                SDL_JoystickID instance = SDL_JoystickGetDeviceInstanceID(i);
                if (instance < 0 || std::any_of(slots_.begin(), slots_.end(), [&](const TSlot& o) {
                        return o.instance == instance;
                    }))
                    continue;
                if (SDL_IsGameController(i))
                    s.pad = SDL_GameControllerOpen(i);
                else
                    s.joy = SDL_JoystickOpen(i);
                if (s.pad || s.joy) {
                    s.instance = instance;
                    break;
                }
            }
        }
    }

    static void readPad(SDL_GameController* pad, TJoyReading& r) {
        auto axis = [&](SDL_GameControllerAxis a) { return SDL_GameControllerGetAxis(pad, a); };
        auto button = [&](int b) {
            return SDL_GameControllerGetButton(pad, SDL_GameControllerButton(b)) != 0;
        };
        r.x = axisValue(axis(SDL_CONTROLLER_AXIS_LEFTX));
        r.y = axisValue(axis(SDL_CONTROLLER_AXIS_LEFTY));
        r.z = axisValue(axis(SDL_CONTROLLER_AXIS_RIGHTX));
        // Games of this kind steer with the first two axes: the d-pad, where
        // it is pressed, is those axes at their ends.
        if (button(SDL_CONTROLLER_BUTTON_DPAD_LEFT)) r.x = 0;
        if (button(SDL_CONTROLLER_BUTTON_DPAD_RIGHT)) r.x = 65535;
        if (button(SDL_CONTROLLER_BUTTON_DPAD_UP)) r.y = 0;
        if (button(SDL_CONTROLLER_BUTTON_DPAD_DOWN)) r.y = 65535;
        r.buttons = 0;
        for (size_t bit = 0; bit < std::size(kLayout); ++bit)
            if (button(kLayout[bit])) r.buttons |= 1u << bit;
        if (axis(SDL_CONTROLLER_AXIS_TRIGGERLEFT) > 16384) r.buttons |= 1u << kLeftTriggerBit;
        if (axis(SDL_CONTROLLER_AXIS_TRIGGERRIGHT) > 16384) r.buttons |= 1u << kRightTriggerBit;
        if (button(SDL_CONTROLLER_BUTTON_GUIDE)) r.buttons |= 1u << kGuideBit;
    }

    bool tried_ = false, started_ = false;
    std::array<TSlot, 2> slots_{};
};

TSdlJoysticks& joysticks() {
    static TSdlJoysticks source;
    return source;
}

} // namespace

TJoySource& sdlJoySource() { return joysticks(); }

int addPadMappings(const std::string& hostPath) { return joysticks().addMappings(hostPath); }

} // namespace ravok
