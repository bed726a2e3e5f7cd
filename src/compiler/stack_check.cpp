#include "compiler/stack_check.h"

#include "runtime/code_image.h"
#include "runtime/opcodes.h"

#include <algorithm>
#include <vector>

namespace ravok {

namespace {

struct TEffect {
    int32_t needs = 0;  // values the instruction reads from the stack
    int32_t change = 0; // depth after it, on the path that falls through
    bool ends = false;  // no instruction follows (Ret, Halt, Jump)
    bool jumps = false; // also goes to its target
    int32_t jumpChange = 0;
};

TEffect effectOf(uint32_t op, const uint8_t* at) {
    int32_t argc = 0;
    switch (op) {
    case Op_DCall:
    case Op_SCall:
    case Op_SuperCall:
    case Op_NativeCall:
    case Op_Constructor:
        argc = int32_t(readWord(at + 4));
        if (argc < 0 || argc > 100000) return {1 << 30};
        return {argc + 1, -argc};
    case Op_Pop:
        return {1, -1};
    case Op_Push:
    case Op_PushString:
    case Op_PushThis:
    case Op_LocalValPtr:
    case Op_ArgValPtr:
    case Op_PushThis_SMemberValPtr:
    case Op_PushThis_SMemberValPtr_Deref:
    case Op_LocalValPtr_Deref:
    case Op_ArgValPtr_Deref:
    case Op_Push_Deref:
        return {0, 1};
    case Op_SMemberValPtr:
    case Op_DMemberValPtr:
    case Op_DMemberValPtr_Deref:
    case Op_Is:
    case Op_Not:
    case Op_Neg:
    case Op_Deref:
        return {1, 0};
    case Op_Add:
    case Op_Sub:
    case Op_Mul:
    case Op_Div:
    case Op_Mod:
    case Op_GT:
    case Op_GTE:
    case Op_LT:
    case Op_LTE:
    case Op_EQ:
    case Op_NEQ:
    case Op_Subst:
    case Op_AddSubst:
    case Op_SubSubst:
        return {2, -1};
    case Op_And:
    case Op_Or:
    case Op_Point:
        return {0, 0};
    case Op_Jump:
        return {0, 0, true, true, 0};
    case Op_JumpZero:
        return {1, -1, false, true, -1};
    case Op_Jump_And:
    case Op_Jump_Or:
        // One way the value is dropped, the other way it stays.
        return {1, -1, false, true, 0};
    case Op_InitForIn:
        return {2, 2};
    case Op_DoForIn:
        return {4, 0, false, true, 0};
    case Op_ClearForIn:
        return {4, -4};
    case Op_Ret:
    case Op_Halt:
        return {0, 0, true};
    default:
        return {1 << 30};
    }
}

} // namespace

bool stackDepthsAgree(const uint8_t* code, size_t size) {
    constexpr int32_t kUnseen = -1;
    if (size == 0) return true;
    // Kept between calls: the class caches read at start-up check hundreds.
    static thread_local std::vector<int32_t> depth;
    static thread_local std::vector<size_t> work;
    depth.assign(size / 4 + 1, kUnseen);
    work.assign(1, 0);
    depth[0] = 0;
    // Gives `to` its depth, or checks the one it has (`fresh` tells which).
    // A target inside an instruction, or too near the end for an opcode, is
    // no instruction to check.
    auto reach = [&](size_t to, int32_t value, bool& fresh) {
        if (to % 4 != 0 || size - std::min(size, to) < 4 || value < 0) return false;
        int32_t& seen = depth[to / 4];
        fresh = seen == kUnseen;
        if (fresh) seen = value;
        return seen == value;
    };
    while (!work.empty()) {
        size_t at = work.back();
        work.pop_back();
        // Straight-line code is walked on from instruction to instruction;
        // only jump targets wait in the work list.
        for (;;) {
            int32_t d = depth[at / 4];
            uint32_t op = storedOpcode(readWord(code + at));
            uint32_t len = instructionLengthAs(op, code + at, size - at);
            if (len == 0) return false;
            TEffect e = effectOf(op, code + at);
            if (d < e.needs) return false;
            bool fresh = false;
            if (e.jumps) {
                size_t to = size_t(int64_t(at) + int32_t(readWord(code + at + 4)));
                if (!reach(to, d + e.jumpChange, fresh)) return false;
                if (fresh) work.push_back(to);
            }
            if (e.ends) break;
            if (!reach(at + len, d + e.change, fresh)) return false;
            if (!fresh) break;
            at += len;
        }
    }
    return true;
}

} // namespace ravok
