// The sizes the runtime was built with, logged at start-up: the value and
// instance layouts are fixed, and a build that broke them must show it.
#pragma once

#include <string>
#include <vector>

namespace ravok {

// "TValue=8", "TVType=1", "TfObject=20" (an instance with one field),
// "Extended=10" (the significant bytes of the extended float format).
std::vector<std::string> buildSizeLines();

} // namespace ravok
