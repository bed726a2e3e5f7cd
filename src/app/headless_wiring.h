// The headless player's wiring: every seam of the layers below gets the
// implementation a run without a window uses. The shared services first
// (player/shared_wiring.h), then the run's own reporter, virtual clock,
// recording sound device, scripted keys, joysticks and window activity, and
// a window that saves the frames --shot asks for.
#pragma once

#include "screen/screen_window.h"

namespace ravok {

class TClock;
class TInputScript;
class TJoySource;
class TKeySource;
class TReporter;
class TWaveOut;
class TFrameShots;

// The screen's window in a headless run: presenting saves the frames asked
// for, and the cursor is the one the input script moves (unknown without one).
class THeadlessWindow : public TScreenWindow {
public:
    THeadlessWindow(TFrameShots& shots, TInputScript* input) : shots_(shots), input_(input) {}
    void present(const TSurface& surface, const TRect& client) override;
    bool cursorInGame(int& x, int& y) override;
    void moveCursorTo(int x, int y) override;

private:
    TFrameShots& shots_;
    TInputScript* input_;
};

struct THeadlessSeams {
    TReporter& reporter;
    TClock& clock;
    TWaveOut& wave;
    TKeySource& keys;
    TJoySource& joysticks;
    THeadlessWindow& window;
};

void wireHeadless(const THeadlessSeams& seams);
// Back to the defaults, when the run's objects go.
void unwireHeadless();

} // namespace ravok
