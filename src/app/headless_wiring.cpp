#include "app/headless_wiring.h"

#include "app/headless_player.h"
#include "app/input_script.h"
#include "base/clock.h"
#include "base/joy_source.h"
#include "base/key_source.h"
#include "base/reporter.h"
#include "base/surface.h"
#include "player/main_loop.h"
#include "player/shared_wiring.h"
#include "sound/sorvald.h"

#include <cstdio>

namespace ravok {

THeadlessWindow::THeadlessWindow(const std::vector<THeadlessShot>& shots, TInputScript* input)
    : shots_(shots), input_(input), taken_(shots.size(), false) {}

void THeadlessWindow::present(const TSurface& back, const TRect& client) {
    long frame = long(TMainLoop::instance().FrameCount);
    for (size_t i = 0; i < shots_.size(); ++i) {
        const THeadlessShot& shot = shots_[i];
        if (shot.frame != frame || taken_[i]) continue;
        auto picture = TSurface::create(client.width(), client.height());
        picture->copyPlain(back, client, 0, 0);
        if (picture->savePng(shot.file))
            taken_[i] = true;
        else
            std::fprintf(stderr, "ravok: %s: cannot be written\n", shot.file.c_str());
    }
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
