// The natives of Panel: off-screen surfaces drawn through temporary sprite
// records, copied, saved to and loaded from the page's files folder, and shown
// through map sprites.
#pragma once

#include "runtime/native_binding.h"

#include <vector>

namespace ravok {

const std::vector<TNativeBinding>& panelNatives();

} // namespace ravok
