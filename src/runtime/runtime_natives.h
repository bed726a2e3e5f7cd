// The natives of the script runtime: the process natives of
// classes.lang.Process, the process natives of classes.lang.Object (suspend,
// currentProcess, breakExec) and System's _n_setStackSize, _n_setFrameRate
// and _n_exit.
#pragma once

#include "runtime/native_binding.h"

#include <vector>

namespace ravok {

// print also writes its text and a line feed to standard output (--run, --print).
inline bool gEchoPrint = false;
// The window sets it: a print that shows nowhere says once how to see it.
inline bool gHintAtPrintOption = false;
// Set by System's _n_exit: the program is to end.
inline bool gProgramExitRequested = false;
// Sets gProgramExitRequested and ends the running slice, so the program ends
// once the current turn returns.
void requestProgramExit();

const std::vector<TNativeBinding>& objectCoreNatives();    // classes.lang.Object: print
const std::vector<TNativeBinding>& stringNatives();        // classes.lang.String: _free_body
const std::vector<TNativeBinding>& processNatives();       // classes.lang.Process
const std::vector<TNativeBinding>& objectProcessNatives(); // classes.lang.Object
const std::vector<TNativeBinding>& systemRuntimeNatives(); // System

} // namespace ravok
