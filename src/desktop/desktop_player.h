// The desktop player on GTK: the screen window with its menu, drawing area
// and status bar, the splash, message boxes, mouse handling, and the main
// loop run from the GTK idle handler, paced so that it never spins.
#pragma once

#include "app/window_player.h"

#include <string>

namespace ravok {

class THoldEvents;

class TBusyIndicator;
class TPlayerShell;
class TReporter;
class TScreenWindow;

// One of the player's windows (the screen window, a dialog, the about box)
// gained the focus: the game is active.
void noteWindowFocused();

// Stops the frame loop's idle and timeout sources while something runs a
// loop of its own (a message box, a debugger hold), and lets it go again.
void holdFrameLoop(bool hold);
// The player is closing: a hold must end the program.
bool desktopClosing();
// Installs the frame loop's idle handler again (StartLoop), unless a hold or
// a message box has it stopped.
void wakeFrameLoop();
// The splash-and-status form's caption.
void setSplashCaption(const std::string& caption);

// Whether a display can be opened.
bool desktopAvailable();
// A hold waits in GTK's loop, so the window goes on drawing and answering
// while the editor's adapter waits for its next request.
THoldEvents& desktopHoldEvents();

// Runs until the window closes; the exit status is 3 after a reported error.
// The seams must be wired first (desktop/desktop_wiring.h).
int runDesktop(const TWindowOptions& options);

// The shell's side of the seams, for its wiring: message boxes, the window
// the screen presents into, the activity indicator, the splash.
TReporter& desktopReporter();
TScreenWindow& desktopWindow();
TBusyIndicator& desktopBusyIndicator();
TPlayerShell& desktopShell();

} // namespace ravok
