// The fusion pass: after a complete image is written, common instruction pairs
// are rewritten in place into fused instructions. Only the first opcode word
// changes, so no instruction moves and jump offsets stay valid.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ravok {

// Raises ECodeError "Invalid Instruction" + number on an unknown opcode.
void fuseImage(uint8_t* code, size_t size);

// Each fused pair of a (stored) image back to its first instruction: the
// second one's word is still in place behind it, so the plain instructions
// run one by one.
void defuseImage(uint8_t* code, size_t size);

// The plain instructions a stored instruction stands for, as the opcode
// word of each and its offset from the start: one for a plain instruction,
// two or three for a fused pair, whose later words stay in place behind the
// first. Relocations name the plain instructions.
struct TPlainPart {
    uint32_t offset;
    uint32_t op;
};
struct TPlainParts {
    TPlainPart parts[3];
    uint32_t count;
};
TPlainParts plainParts(uint32_t storedOp);

// Whether installed code runs fused (pairs and superinstructions) or as the
// plain instruction set, one instruction a dispatch. On by default; the
// environment variable RAVOK_NO_FUSION (any value but "0") turns it off,
// so that a test run can show that fused code gives what plain code gives.
// Code installed before a change keeps the form it was installed in.
bool codeFusion();
void setCodeFusion(bool on);

} // namespace ravok
