// The debug window (TFormDebug): the held process's code, stack and the
// player's lists, the buttons that step, run and stop it, the collector, the
// time analyzer's start and stop, and the result window ("測定結果"). It is
// made hidden at start-up and shown by Ctrl+D, the menu, or a hold.
#pragma once

namespace ravok {

class TDebugWindow;
class TTimeResultsView;

TDebugWindow& desktopDebugWindow();
TTimeResultsView& desktopTimeResults();
// Makes the windows (hidden); the shell calls it once GTK is up.
void buildDebugWindow();
void showDebugWindow();
// The statistics line after a batch, shown as the window's caption while it
// is visible and not holding.
void debugWindowAfterBatch();

} // namespace ravok
