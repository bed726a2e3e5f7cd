// The natives of the script class Window: the window's size, position and
// presentation method.
#pragma once

#include "runtime/native_binding.h"

#include <vector>

namespace ravok {

const std::vector<TNativeBinding>& windowNatives();

} // namespace ravok
