// `ravok --dap`: the debugger for editors, over the Debug Adapter Protocol
// on standard input and output. The game plays in its window where there is
// a display (headless with --headless, the launch's "headless": true, or an
// "input" file); its print output and messages reach the editor as output
// events, and every hold (a breakpoint, a step, a pause, a run-time error)
// as a stopped event.
#pragma once

namespace ravok {

class TWindowPlayer;

// Exit status 0, or 1 when the editor's messages could not be read.
int runDebugAdapter(TWindowPlayer& window, char** argv, bool headless);

} // namespace ravok
