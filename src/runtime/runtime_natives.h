// The natives of the script runtime: the process natives of
// classes.lang.Process, the process natives of classes.lang.Object (suspend,
// currentProcess, breakExec) and System's _n_setStackSize.
#pragma once

#include "native_binding.h"

#include <vector>

namespace ravok {

const std::vector<TNativeBinding>& processNatives();       // classes.lang.Process
const std::vector<TNativeBinding>& objectProcessNatives(); // classes.lang.Object
const std::vector<TNativeBinding>& systemRuntimeNatives(); // System

} // namespace ravok
