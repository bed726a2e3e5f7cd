// Breakpoints in installed code: a trapped instruction has kTrapBit set in
// its opcode word. Running into one ends the slice before the instruction
// runs, with TrapHit set and StepBudget at zero, so the debug hold decides
// what happens; code without traps runs exactly as before.
#pragma once

#include "runtime/compiled_info.h"

#include <cstdint>
#include <set>
#include <vector>

namespace ravok {

// Set by the interpreter when a slice ended at a trap; the hold clears it.
inline bool TrapHit = false;

// Traps exactly the instructions at these offsets of the image (instruction
// starts) and no other. Superinstructions that would run over a trapped
// instruction are taken apart, and put back once the trap is gone; an image
// whose traps are already these is left alone.
void setTraps(TCompiledInfo& code, const std::set<uint32_t>& offsets);
// The offsets of the image's trapped instructions.
std::set<uint32_t> trappedOffsets(const TCompiledInfo& code);
// The offsets at which the image's instructions begin, up to its Op_Halt.
std::vector<uint32_t> instructionStarts(const TCompiledInfo& code);
// Whether the instruction at `at` (inside an installed image) is trapped.
bool isTrapped(const uint8_t* at);
// Lets the one instruction at `at` run once without clearing its trap for
// good: the hold clears the bit, runs one instruction, and sets it again.
void setTrapBit(uint8_t* at, bool on);

} // namespace ravok
