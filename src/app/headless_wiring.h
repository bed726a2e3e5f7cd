// The headless player's wiring: every seam of the layers below gets the
// implementation a run without a window uses. The shared services first
// (player/shared_wiring.h), then the run's own reporter, virtual clock,
// recording sound device, scripted keys, joysticks and window activity, and
// a window that saves the frames --shot asks for.
#pragma once

#include "screen/screen_window.h"

#include <functional>
#include <string>
#include <vector>

namespace ravok {

class TClock;
class TInputScript;
class TJoySource;
class TKeySource;
class TReporter;
class TWaveOut;
struct THeadlessShot;

// The screen's window in a headless run: presenting saves the frames asked
// for, and the cursor is the one the input script moves (unknown without one).
class THeadlessWindow : public TScreenWindow {
public:
    THeadlessWindow(const std::vector<THeadlessShot>& shots, TInputScript* input);
    void present(const TSurface& surface, const TRect& client) override;
    bool cursorInGame(int& x, int& y) override;
    void moveCursorTo(int x, int y) override;

    // Whether every shot was taken.
    bool shotTaken(size_t i) const { return taken_[i]; }

private:
    const std::vector<THeadlessShot>& shots_;
    TInputScript* input_;
    std::vector<bool> taken_;
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
