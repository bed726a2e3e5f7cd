#include "runtime/fusion.h"

#include "base/log.h"

#include "runtime/code_image.h"
#include "runtime/errors.h"
#include "runtime/messages.h"

#include <cstdlib>
#include <string>

namespace ravok {

namespace {
uint32_t opAt(const uint8_t* code, size_t size, size_t at) {
    return at + 4 <= size ? readWord(code + at) : uint32_t(-1);
}
bool& fusionSwitch() {
    static bool on = [] {
        const char* off = std::getenv("RAVOK_NO_FUSION");
        bool fused = !off || !*off || std::string(off) == "0";
        if (!fused) Log("Code runs unfused (RAVOK_NO_FUSION)");
        return fused;
    }();
    return on;
}

} // namespace

TPlainParts plainParts(uint32_t op) {
    switch (op) {
    case Op_Push_Deref:
        return {{{0, Op_Push}, {12, Op_Deref}}, 2};
    case Op_PushThis_SMemberValPtr:
        return {{{0, Op_PushThis}, {4, Op_SMemberValPtr}}, 2};
    case Op_PushThis_SMemberValPtr_Deref:
        return {{{0, Op_PushThis}, {4, Op_SMemberValPtr}, {12, Op_Deref}}, 3};
    case Op_DMemberValPtr_Deref:
        return {{{0, Op_DMemberValPtr}, {12, Op_Deref}}, 2};
    case Op_LocalValPtr_Deref:
        return {{{0, Op_LocalValPtr}, {8, Op_Deref}}, 2};
    case Op_ArgValPtr_Deref:
        return {{{0, Op_ArgValPtr}, {8, Op_Deref}}, 2};
    default:
        return {{{0, op}}, 1};
    }
}

bool codeFusion() { return fusionSwitch(); }

void setCodeFusion(bool on) { fusionSwitch() = on; }

void defuseImage(uint8_t* code, size_t size) {
    for (size_t at = 0; at + 4 <= size;) {
        uint32_t op = readWord(code + at);
        if (!isValidOpcode(op) || op == Op_Halt) return;
        uint32_t plain = plainParts(op).parts[0].op;
        writeWord(code + at, plain);
        uint32_t len = instructionLength(code + at, size - at);
        if (len == 0) return;
        at += len;
    }
}

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
