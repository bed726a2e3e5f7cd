#include "app/headless_wiring.h"

#include "app/frame_shots.h"
#include "app/input_script.h"
#include "base/clock.h"
#include "base/joy_source.h"
#include "base/key_source.h"
#include "base/reporter.h"
#include "player/main_loop.h"
#include "player/shared_wiring.h"
#include "sound/sorvald.h"

namespace ravok {

void THeadlessWindow::present(const TSurface& back, const TRect& client) {
    shots_.presented(back, client, long(TMainLoop::instance().FrameCount));
}

bool THeadlessWindow::cursorInGame(int& x, int& y) {
    if (!input_) return false;
    input_->cursor(x, y);
    return true;
}

void THeadlessWindow::moveCursorTo(int x, int y) {
    if (input_) input_->moveCursor(x, y);
}

void wireHeadless(const THeadlessSeams& seams) {
    wireSharedServices();
    setReporter(&seams.reporter);
    setClock(&seams.clock);
    soundEngine().setDevice(&seams.wave);
    setKeySource(&seams.keys);
    setJoySource(&seams.joysticks);
    setScreenWindow(&seams.window);
}

void unwireHeadless() {
    soundEngine().setDevice(nullptr);
    setScreenWindow(nullptr);
    setJoySource(nullptr);
    setKeySource(nullptr);
    setClock(nullptr);
    setReporter(nullptr);
}

} // namespace ravok
