// The natives of the kernel services: the Ranking link and System.
#pragma once

#include "runtime/native_binding.h"

#include <vector>

namespace ravok {

const std::vector<TNativeBinding>& rankingNatives();
const std::vector<TNativeBinding>& systemKernelNatives(); // System: _n_version, _n_locale

} // namespace ravok
