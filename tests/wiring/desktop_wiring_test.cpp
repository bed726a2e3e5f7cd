// After the desktop player's wiring every seam holds the GTK shell's
// implementation (no display is needed: wiring only installs).
#include "shared_seams.h"

#include "base/joy_source.h"
#include "base/key_source.h"
#include "base/pad_remap.h"
#include "base/time_analyzer.h"
#include "desktop/debug_window.h"
#include "desktop/desktop_player.h"
#include "desktop/desktop_wiring.h"
#include "desktop/pad_remap_dialog.h"
#include "desktop/script_dialog_windows.h"
#include "dialogs/script_dialogs.h"
#include "kernel/boot.h"
#include "pages/page_loader.h"
#include "platform/gtk/gtk_keys.h"
#include "platform/sdl/sdl_joysticks.h"
#include "platform/sdl/sdl_wave_out.h"
#include "player/debugger.h"
#include "player/main_loop.h"
#include "screen/screen_window.h"

namespace ravok {
namespace {

TEST(DesktopWiringTest, EverySeamHoldsTheDesktopImplementation) {
    wireDesktop();
    expectSharedServices();
    EXPECT_EQ(installedReporter(), &desktopReporter());
    EXPECT_EQ(&keySource(), &gtkKeys());
    EXPECT_EQ(&joySource(), &remappedPads());
    EXPECT_EQ(&remappedPads().inner(), &sdlJoySource());
    EXPECT_NE(dynamic_cast<TSdlWaveOut*>(soundEngine().device()), nullptr);
    EXPECT_EQ(&screenWindow(), &desktopWindow());
    EXPECT_EQ(&busyIndicator(), &desktopBusyIndicator());
    EXPECT_EQ(&playerShell(), &desktopShell());
    EXPECT_EQ(&dialogHost(), &desktopDialogHost());
    EXPECT_EQ(&debugWindow(), &desktopDebugWindow());
    EXPECT_EQ(&timeResultsView(), &desktopTimeResults());
    EXPECT_EQ(&debugHold(), &TDebugger::instance());
    EXPECT_TRUE(gStartMidiPlayer);
    soundEngine().setDevice(nullptr);
}

} // namespace
} // namespace ravok
