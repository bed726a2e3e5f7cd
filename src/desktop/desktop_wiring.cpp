#include "desktop/desktop_wiring.h"

#include "base/joy_source.h"
#include "base/key_source.h"
#include "base/pad_remap.h"
#include "base/reporter.h"
#include "base/time_analyzer.h"
#include "desktop/debug_window.h"
#include "desktop/desktop_player.h"
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
#include "player/shared_wiring.h"
#include "runtime/runtime_natives.h"
#include "screen/screen_window.h"
#include "sound/sorvald.h"

namespace ravok {

void wireDesktop() {
    wireSharedServices();
    setReporter(&desktopReporter());
    setKeySource(&gtkKeys());
    // SDL's pads, with the player's remapping for the game on them.
    setJoySource(&remappedPads());
    static TSdlWaveOut wave;
    soundEngine().setDevice(&wave);
    setScreenWindow(&desktopWindow());
    setBusyIndicator(&desktopBusyIndicator());
    setPlayerShell(&desktopShell());
    setDialogHost(&desktopDialogHost());
    setDebugWindow(&desktopDebugWindow());
    setTimeResultsView(&desktopTimeResults());
    gStartMidiPlayer = true;
    gHintAtPrintOption = true;
}

} // namespace ravok
