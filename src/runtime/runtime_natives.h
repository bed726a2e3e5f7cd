// The natives of the script runtime: the process natives of
// classes.lang.Process, the process natives of classes.lang.Object (suspend,
// currentProcess, breakExec) and System's _n_setStackSize.
#pragma once

#include "native_binding.h"

#include <vector>

namespace ravok {

// print also writes its text and a line feed to standard output (--run, --print).
inline bool gEchoPrint = false;

const std::vector<TNativeBinding>& objectCoreNatives();    // classes.lang.Object: print
const std::vector<TNativeBinding>& stringNatives();        // classes.lang.String: _free_body
const std::vector<TNativeBinding>& processNatives();       // classes.lang.Process
const std::vector<TNativeBinding>& objectProcessNatives(); // classes.lang.Object
const std::vector<TNativeBinding>& systemRuntimeNatives(); // System

} // namespace ravok
