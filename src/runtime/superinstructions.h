// Superinstructions for installed images: the sequences listed in
// superinstructions.def get one interpreter body each. Only the first opcode
// word of a sequence changes, so nothing moves and the image can be turned
// back into the stored instruction set at any time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ravok {

// Marks every recognised sequence of a (fusion-pass) image. Stops quietly at
// Op_Halt or at anything it cannot walk: an unmarked sequence runs the same.
void fuseSuperinstructions(uint8_t* code, size_t size);

// The image with the stored opcodes back in place, as cache files hold it.
std::vector<uint8_t> storedImage(const uint8_t* code, size_t size);

} // namespace ravok
