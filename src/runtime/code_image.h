// Walking a code image: the length of the instruction at a position, which the
// fusion pass, the listing and the loader share.
#pragma once

#include "runtime/opcodes.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace ravok {

inline uint32_t readWord(const uint8_t* p) {
    uint32_t w;
    std::memcpy(&w, p, 4);
    return w;
}
inline void writeWord(uint8_t* p, uint32_t w) { std::memcpy(p, &w, 4); }

// Length in bytes of the instruction at `at` when its opcode is `op`, or 0
// when the opcode is unknown or the instruction does not fit in the
// `remaining` bytes.
inline uint32_t instructionLengthAs(uint32_t op, const uint8_t* at, size_t remaining) {
    if (remaining < 4 || !isValidOpcode(op)) return 0;
    uint32_t len = kOpcodeLength[op];
    if (op == Op_PushString) {
        if (remaining < 8) return 0;
        uint32_t area = readWord(at + 4);
        if (area == 0 || area % 4 != 0 || area > remaining - 8) return 0;
        len = 8 + area;
    }
    return len <= remaining ? len : 0;
}

// The stored instruction set only: what cache files and the fusion pass see.
inline uint32_t instructionLength(const uint8_t* at, size_t remaining) {
    return remaining < 4 ? 0 : instructionLengthAs(readWord(at), at, remaining);
}

// An installed image, where a superinstruction's opcode stands in for the
// first instruction of its sequence.
inline uint32_t installedInstructionLength(const uint8_t* at, size_t remaining) {
    return remaining < 4 ? 0 : instructionLengthAs(storedOpcode(readWord(at)), at, remaining);
}

} // namespace ravok
