// The natives of the kernel services: the Ranking link.
#pragma once

#include "native_binding.h"

#include <vector>

namespace ravok {

const std::vector<TNativeBinding>& rankingNatives();

} // namespace ravok
