// After the headless player's wiring every seam holds the headless run's
// implementation, and unwiring gives the defaults back; a forgotten
// installation fails here instead of in a game.
#include "dialogs/script_dialogs.h"
#include "player/debugger.h"
#include "shared_seams.h"

#include "app/frame_shots.h"
#include "app/headless_wiring.h"
#include "app/input_script.h"
#include "app/position_reporter.h"
#include "base/clock.h"
#include "base/joy_source.h"
#include "base/key_source.h"
#include "base/reporter.h"
#include "pages/page_loader.h"
#include "platform/headless/virtual_clock.h"
#include "platform/headless/virtual_wave_out.h"
#include "player/main_loop.h"
#include "runtime/interpreter.h"
#include "screen/screen_window.h"

namespace ravok {
namespace {

TEST(HeadlessWiringTest, EverySeamHoldsTheHeadlessImplementation) {
    TPositionReporter reporter;
    TVirtualClock clock;
    TVirtualWaveOut wave(clock);
    TInputScript input;
    TFrameShots shots({});
    THeadlessWindow window(shots, &input);
    wireHeadless({reporter, clock, wave, input.keys(), input.joysticks(), window});

    expectSharedServices();
    EXPECT_EQ(installedReporter(), &reporter);
    clock.advance(1234.5L);
    EXPECT_EQ(NowMs(), 1234.5L);
    EXPECT_EQ(soundEngine().device(), &wave);
    EXPECT_EQ(&keySource(), &input.keys());
    EXPECT_EQ(&joySource(), &input.joysticks());
    EXPECT_EQ(&screenWindow(), &window);
    // A run without a window keeps the window-less defaults of these.
    TBusyIndicator noIndicator;
    TPlayerShell noShell;
    EXPECT_EQ(typeid(busyIndicator()), typeid(noIndicator));
    EXPECT_EQ(typeid(playerShell()), typeid(noShell));
    EXPECT_EQ(&debugHold(), &TDebugger::instance());
    EXPECT_EQ(typeid(debugWindow()), typeid(TDebugWindow));
    // Dialogs are shown nowhere; the input script answers them.
    EXPECT_EQ(typeid(dialogHost()), typeid(TDialogHost));

    unwireHeadless();
    EXPECT_EQ(installedReporter(), nullptr);
    EXPECT_NE(NowMs(), 1234.5L);
    EXPECT_EQ(soundEngine().device(), &noWaveOut());
    EXPECT_EQ(&keySource(), &headlessKeySource());
    EXPECT_EQ(&joySource(), &noJoySource());
    EXPECT_NE(&screenWindow(), &window);
}

// The headless window answers the cursor only when an input script moves it.
TEST(HeadlessWiringTest, TheCursorIsTheInputScriptsOrUnknown) {
    TInputScript input;
    TFrameShots shots({});
    THeadlessWindow scripted(shots, &input), blind(shots, nullptr);
    scripted.moveCursorTo(12, 34);
    int x = 0, y = 0;
    ASSERT_TRUE(scripted.cursorInGame(x, y));
    EXPECT_EQ(x, 12);
    EXPECT_EQ(y, 34);
    EXPECT_FALSE(blind.cursorInGame(x, y));
}

} // namespace
} // namespace ravok
