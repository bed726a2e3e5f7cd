// The fusion pass: after a complete image is written, common instruction pairs
// are rewritten in place into fused instructions. Only the first opcode word
// changes, so no instruction moves and jump offsets stay valid.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ravok {

// Raises ECodeError "Invalid Instruction" + number on an unknown opcode.
void fuseImage(uint8_t* code, size_t size);

} // namespace ravok
