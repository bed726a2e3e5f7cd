// The stack a code image leaves at every instruction, worked out before the
// image runs: a class cache file is data from the disk, and code whose
// instructions take more values than were pushed would read the frame's own
// words as values.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ravok {

// True when every path through the image keeps the depth of the value stack
// the same wherever paths meet and never takes more than was pushed. The
// image's instructions are already known to be whole and its jumps to land on
// instruction starts.
bool stackDepthsAgree(const uint8_t* code, size_t size);

} // namespace ravok
