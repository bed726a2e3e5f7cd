#include "runtime/fusion.h"

#include "runtime/code_image.h"
#include "runtime/errors.h"
#include "runtime/messages.h"

namespace ravok {

namespace {
uint32_t opAt(const uint8_t* code, size_t size, size_t at) {
    return at + 4 <= size ? readWord(code + at) : uint32_t(-1);
}
} // namespace

void fuseImage(uint8_t* code, size_t size) {
    size_t at = 0;
    while (at < size) {
        if (size - at < 4) break;
        uint32_t op = readWord(code + at);
        if (!isValidOpcode(op))
            throw ECodeError(translate("Invalid Instruction") + std::to_string(op));
        if (op == Op_Halt) return;
        uint32_t len = instructionLength(code + at, size - at);
        if (len == 0) break;
        uint32_t next = opAt(code, size, at + len);
        uint32_t fused = 0, combined = 0;
        switch (op) {
        case Op_Push:
            if (next == Op_Deref) fused = Op_Push_Deref, combined = 16;
            break;
        case Op_PushThis:
            if (next == Op_SMemberValPtr) {
                if (opAt(code, size, at + 12) == Op_Deref)
                    fused = Op_PushThis_SMemberValPtr_Deref, combined = 16;
                else
                    fused = Op_PushThis_SMemberValPtr, combined = 12;
            }
            break;
        case Op_DMemberValPtr:
            if (next == Op_Deref) fused = Op_DMemberValPtr_Deref, combined = 16;
            break;
        case Op_LocalValPtr:
            if (next == Op_Deref) fused = Op_LocalValPtr_Deref, combined = 12;
            break;
        case Op_ArgValPtr:
            if (next == Op_Deref) fused = Op_ArgValPtr_Deref, combined = 12;
            break;
        default:
            break;
        }
        if (fused) {
            writeWord(code + at, fused);
            at += combined;
        } else {
            at += len;
        }
    }
    throw ECodeError("the code image ends without Op_Halt");
}

} // namespace ravok
