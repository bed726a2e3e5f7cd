// The core native library: the natives of classes.lang.Array,
// classes.lang.String, the hash tables and the global functions of
// classes.lang.Object.
#pragma once

#include "runtime/native_binding.h"

#include <vector>

namespace ravok {

const std::vector<TNativeBinding>& arrayNatives();
const std::vector<TNativeBinding>& stringLibraryNatives();
const std::vector<TNativeBinding>& hashTableNatives();
const std::vector<TNativeBinding>& objectLibraryNatives();

// The routine of Array's native_add, which calls of Array.add may run in place
// (runtime/wrapper_inlining.h).
TNativeRoutine listAppendRoutine();
TNativeRoutine listSetRoutine();
TNativeRoutine listGetRoutine();

} // namespace ravok
