// Opcode numbers and their fixed properties, generated from opcodes.def.
#pragma once

#include <cstdint>

namespace ravok {

enum TOpcode : uint32_t {
#define OPCODE(num, name, len, text) name = num,
#include "opcodes.def"
#undef OPCODE
};

constexpr uint32_t kOpcodeCount = 49;

// Fixed length in bytes; for Op_PushString only the part before the text area.
constexpr uint32_t kOpcodeLength[kOpcodeCount] = {
#define OPCODE(num, name, len, text) len,
#include "opcodes.def"
#undef OPCODE
};

constexpr const char* kOpcodeListingText[kOpcodeCount] = {
#define OPCODE(num, name, len, text) text,
#include "opcodes.def"
#undef OPCODE
};

constexpr const char* kOpcodeName[kOpcodeCount] = {
#define OPCODE(num, name, len, text) #name,
#include "opcodes.def"
#undef OPCODE
};

inline bool isValidOpcode(uint32_t op) { return op < kOpcodeCount; }

} // namespace ravok
