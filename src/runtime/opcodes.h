// Opcode numbers and their fixed properties, generated from opcodes.def.
#pragma once

#include <cstdint>

namespace ravok {

enum TOpcode : uint32_t {
#define OPCODE(num, name, len, text) name = num,
#include "runtime/opcodes.def"
#undef OPCODE
};

constexpr uint32_t kOpcodeCount = 49;

// Fixed length in bytes; for Op_PushString only the part before the text area.
constexpr uint32_t kOpcodeLength[kOpcodeCount] = {
#define OPCODE(num, name, len, text) len,
#include "runtime/opcodes.def"
#undef OPCODE
};

constexpr const char* kOpcodeListingText[kOpcodeCount] = {
#define OPCODE(num, name, len, text) text,
#include "runtime/opcodes.def"
#undef OPCODE
};

constexpr const char* kOpcodeName[kOpcodeCount] = {
#define OPCODE(num, name, len, text) #name,
#include "runtime/opcodes.def"
#undef OPCODE
};

inline bool isValidOpcode(uint32_t op) { return op < kOpcodeCount; }

// The in-memory superinstructions follow the stored set.
enum TSuperOpcode : uint32_t {
#define SUPER(num, name, base, count, bytes) name = num,
#include "runtime/superinstructions.def"
#undef SUPER
};

constexpr uint32_t kDispatchCount = 142;
static_assert(Sx_Local_SubSubst_Loop_NEQ + 1 == kDispatchCount);

struct TSuperInfo {
    uint32_t base;         // the stored opcode it replaces
    uint32_t instructions; // how many stored instructions it executes
    uint32_t bytes;        // how many bytes of the image they span
};

constexpr TSuperInfo kSuperInfo[kDispatchCount - kOpcodeCount] = {
#define SUPER(num, name, base, count, bytes) {base, count, bytes},
#include "runtime/superinstructions.def"
#undef SUPER
};

inline bool isSuperOpcode(uint32_t op) { return op >= kOpcodeCount && op < kDispatchCount; }

// A debugger's breakpoint is this bit set in an installed opcode word: the
// dispatch's entry for the word is the cold path, so code without
// breakpoints pays nothing for them, and the word keeps its opcode.
constexpr uint32_t kTrapBit = 0x100;
static_assert(kDispatchCount <= kTrapBit);
// The dispatch table's size: every opcode, with and without the trap bit.
// Installed words hold nothing above these bits (images are checked when
// they are read, and only the trap bit is ever added).
constexpr uint32_t kDispatchSlots = 2 * kTrapBit;

// The stored opcode an in-memory opcode stands for (itself for the stored set).
inline uint32_t storedOpcode(uint32_t op) {
    op &= ~kTrapBit;
    return isSuperOpcode(op) ? kSuperInfo[op - kOpcodeCount].base : op;
}

} // namespace ravok
