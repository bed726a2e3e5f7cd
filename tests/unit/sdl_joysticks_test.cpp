// Gamepads through SDL's game-controller layer, tried with SDL's virtual
// joysticks: the standard layout decides the bits and axes, a pad plugged in
// takes the first free number and one pulled out reads as no joystick.
#include "platform/sdl/sdl_joysticks.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace ravok {
namespace {

class SdlJoysticksTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER | SDL_INIT_JOYSTICK), 0);
        if (SDL_NumJoysticks() != 0) GTEST_SKIP() << "a real joystick is attached";
    }
    void TearDown() override { SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER | SDL_INIT_JOYSTICK); }

    // A virtual device; its handle, through which the test moves it.
    SDL_Joystick* attach(bool pad, const char* name) {
        SDL_VirtualJoystickDesc desc{};
        desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
        desc.type = pad ? SDL_JOYSTICK_TYPE_GAMECONTROLLER : SDL_JOYSTICK_TYPE_UNKNOWN;
        desc.naxes = pad ? SDL_CONTROLLER_AXIS_MAX : 2;
        desc.nbuttons = pad ? SDL_CONTROLLER_BUTTON_MAX : 4;
        desc.button_mask = pad ? (1u << SDL_CONTROLLER_BUTTON_MAX) - 1 : 0;
        desc.axis_mask = pad ? (1u << SDL_CONTROLLER_AXIS_MAX) - 1 : 0;
        desc.name = name;
        int index = SDL_JoystickAttachVirtualEx(&desc);
        EXPECT_GE(index, 0) << SDL_GetError();
        SDL_Joystick* j = SDL_JoystickOpen(index);
        EXPECT_NE(j, nullptr);
        return j;
    }
    void detach(SDL_Joystick* j) {
        SDL_JoystickID id = SDL_JoystickInstanceID(j);
        SDL_JoystickClose(j);
        for (int i = 0; i < SDL_NumJoysticks(); ++i)
            if (SDL_JoystickGetDeviceInstanceID(i) == id) SDL_JoystickDetachVirtual(i);
    }
    TJoyReading read(int id, bool& ok) {
        TJoyReading r;
        ok = sdlJoySource().read(id, r);
        return r;
    }
};

TEST_F(SdlJoysticksTest, APadIsReadInTheStandardLayout) {
    bool ok = true;
    read(0, ok);
    EXPECT_FALSE(ok); // nothing plugged in
    SDL_Joystick* pad = attach(true, "Test Pad");
    ASSERT_TRUE(pad);
    read(0, ok); // taken up, at rest, as a real pad is before anyone touches it
    EXPECT_TRUE(ok);
    SDL_JoystickSetVirtualButton(pad, SDL_CONTROLLER_BUTTON_B, 1);
    SDL_JoystickSetVirtualButton(pad, SDL_CONTROLLER_BUTTON_START, 1);
    SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_LEFTX, 32767);
    SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 32767);
    TJoyReading r = read(0, ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(r.buttons, (1u << 1) | (1u << 7) | (1u << 11)); // B, start, right trigger
    EXPECT_EQ(r.x, 65535u);
    EXPECT_EQ(r.y, 32768u);
    // The d-pad steers with the first two axes.
    SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_LEFTX, 0);
    SDL_JoystickSetVirtualButton(pad, SDL_CONTROLLER_BUTTON_DPAD_UP, 1);
    r = read(0, ok);
    EXPECT_EQ(r.y, 0u);
    EXPECT_EQ(r.x, 32768u);
    detach(pad);
    read(0, ok);
    EXPECT_FALSE(ok); // pulled out: no joystick
}

TEST_F(SdlJoysticksTest, PadsTakeTheFreeNumbersAsTheyCome) {
    SDL_Joystick* first = attach(true, "First Pad");
    SDL_Joystick* stick = attach(false, "Plain Stick");
    ASSERT_TRUE(first && stick);
    bool ok0 = false, ok1 = false;
    read(0, ok0);
    SDL_JoystickSetVirtualButton(stick, 2, 1);
    TJoyReading plain = read(1, ok1);
    EXPECT_TRUE(ok0);
    EXPECT_TRUE(ok1);
    EXPECT_EQ(plain.buttons, 1u << 2); // a plain joystick's buttons as they are
    detach(first);
    read(0, ok0);
    EXPECT_FALSE(ok0);
    read(1, ok1);
    EXPECT_TRUE(ok1); // the other keeps its number
    SDL_Joystick* next = attach(true, "Next Pad");
    read(0, ok0);
    EXPECT_TRUE(ok0); // the new pad takes the free number
    detach(next);
    detach(stick);
}

TEST_F(SdlJoysticksTest, MappingFilesAddTheirLines) {
    std::string path = ::testing::TempDir() + "ravok-pads.txt";
    std::FILE* f = std::fopen(path.c_str(), "w");
    ASSERT_TRUE(f);
    std::fputs("# a pad of our own\n"
               "03000000aaaa0000bbbb000000000000,Ravok Test Pad,a:b0,b:b1,leftx:a0,lefty:a1,"
               "platform:Linux,\n",
               f);
    std::fclose(f);
    EXPECT_EQ(addPadMappings(path), 1);
    EXPECT_EQ(addPadMappings(path + ".missing"), -1);
    std::remove(path.c_str());
}

} // namespace
} // namespace ravok
