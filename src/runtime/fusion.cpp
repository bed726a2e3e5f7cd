#include "runtime/fusion.h"

#include "base/log.h"

#include "runtime/code_image.h"
#include "runtime/errors.h"
#include "runtime/messages.h"

#include <array>
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

// Every fused pair with the plain instructions it stands for; a longer one
// before the shorter one it begins with, which the fusion pass tries later.
struct TFusedPair {
    uint32_t fused;
    TPlainParts parts;
};
constexpr TFusedPair kFusedPairs[] = {
    {Op_Push_Deref, {{{0, Op_Push}, {12, Op_Deref}}, 2}},
    {Op_PushThis_SMemberValPtr_Deref,
     {{{0, Op_PushThis}, {4, Op_SMemberValPtr}, {12, Op_Deref}}, 3}},
    {Op_PushThis_SMemberValPtr, {{{0, Op_PushThis}, {4, Op_SMemberValPtr}}, 2}},
    {Op_DMemberValPtr_Deref, {{{0, Op_DMemberValPtr}, {12, Op_Deref}}, 2}},
    {Op_LocalValPtr_Deref, {{{0, Op_LocalValPtr}, {8, Op_Deref}}, 2}},
    {Op_ArgValPtr_Deref, {{{0, Op_ArgValPtr}, {8, Op_Deref}}, 2}},
};

// Which pair each instruction is, if any (-1): the check of a class cache
// asks for every instruction it reads, so this is looked up, not scanned.
constexpr auto kPairOfOpcode = [] {
    std::array<int8_t, kOpcodeCount> pairOf{};
    pairOf.fill(-1);
    for (size_t i = 0; i < std::size(kFusedPairs); ++i)
        if (pairOf[kFusedPairs[i].fused] < 0) pairOf[kFusedPairs[i].fused] = int8_t(i);
    return pairOf;
}();
} // namespace

TPlainParts plainParts(uint32_t op) {
    if (op < kOpcodeCount && kPairOfOpcode[op] >= 0) return kFusedPairs[kPairOfOpcode[op]].parts;
    return {{{0, op}}, 1};
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
        // The first pair whose plain instructions all stand here.
        uint32_t fused = 0;
        for (const TFusedPair& pair : kFusedPairs) {
            const TPlainParts& parts = pair.parts;
            if (parts.parts[0].op != op) continue;
            uint32_t k = 1;
            while (k < parts.count &&
                   opAt(code, size, at + parts.parts[k].offset) == parts.parts[k].op)
                ++k;
            if (k == parts.count) {
                fused = pair.fused;
                break;
            }
        }
        if (fused) {
            writeWord(code + at, fused);
            at += kOpcodeLength[fused];
        } else {
            at += len;
        }
    }
    throw ECodeError("the code image ends without Op_Halt");
}

} // namespace ravok
