// The natives of the input layer that scripts call.
#pragma once

#include "runtime/native_binding.h"

#include <vector>

namespace ravok {

const std::vector<TNativeBinding>& inputNatives(); // classes.lang.Object: getkey

} // namespace ravok
