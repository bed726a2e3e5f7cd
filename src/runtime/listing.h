// The code listing shown by the debug window: one line per instruction, the
// instruction's address as eight uppercase hexadecimal digits, ":", and its
// listing text; it stops at Op_Halt.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ravok {

// Addresses are offsets from the image start plus `base`. Raises ECodeError
// "異常な命令が入っています" on an instruction it cannot print.
std::vector<std::string> listImage(const uint8_t* code, size_t size, uint32_t base = 0);

// The listing text of the one instruction at `at` (no address).
std::string instructionText(const uint8_t* at, size_t remaining);

} // namespace ravok
