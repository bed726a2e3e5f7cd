#include "runtime/superinstructions.h"

#include "runtime/fusion.h"

#include "runtime/code_image.h"
#include "runtime/errors.h"
#include "runtime/value.h"

namespace ravok {

namespace {

bool isRelation(uint32_t op) { return op >= Op_GT && op <= Op_NEQ; }

bool isSum(uint32_t op) { return op == Op_Add || op == Op_Sub; }

bool isUpdate(uint32_t op) { return op == Op_AddSubst || op == Op_SubSubst; }

// The relation of a loop's test at `at` (`local REL constant`, branched on),
// of the local `slot` against an int, or 0. The test lies before the update
// that jumps to it, so it may be marked already: its stored opcodes are read.
uint32_t loopTestAt(const uint8_t* code, size_t size, size_t at, uint32_t slot) {
    if (at % 4 != 0 || at > size || size - at < 36) return 0;
    auto word = [&](size_t offset) { return readWord(code + at + offset); };
    // A breakpoint on the test must be reached.
    for (size_t offset : {0, 12, 24, 28})
        if (word(offset) & kTrapBit) return 0;
    uint32_t relation = storedOpcode(word(24));
    if (storedOpcode(word(0)) != Op_LocalValPtr_Deref || word(4) != slot ||
        storedOpcode(word(12)) != Op_Push || word(16) != vtInt || !isRelation(relation) ||
        storedOpcode(word(28)) != Op_JumpZero)
        return 0;
    return relation;
}

// The superinstruction that starts at `at`, or 0.
uint32_t superAt(const uint8_t* code, size_t size, size_t at) {
    auto op = [&](size_t offset) {
        return at + offset + 4 <= size ? readWord(code + at + offset) : uint32_t(-1);
    };
    // A constant pushed as an int: the sequences that take one read it as
    // such without asking, so any other kind keeps the plain instructions.
    auto intPush = [&](size_t offset) {
        return op(offset) == Op_Push && (op(offset + 4) & 0xFF) == vtInt;
    };
    uint32_t first = op(0);
    if (isRelation(first) && op(4) == Op_JumpZero) return Sx_GT_JumpZero + (first - Op_GT);
    if (isSum(first) && op(4) == Op_Ret) return first == Op_Add ? Sx_Add_Ret : Sx_Sub_Ret;
    switch (first) {
    case Op_PushThis_SMemberValPtr_Deref:
        if (intPush(16) && isRelation(op(28)) && op(32) == Op_JumpZero)
            return Sx_Field_GT_JumpZero + (op(28) - Op_GT);
        break;
    case Op_LocalValPtr_Deref:
        if (intPush(12) && isRelation(op(24)) && op(28) == Op_JumpZero)
            return Sx_Local_GT_JumpZero + (op(24) - Op_GT);
        if (intPush(12) && isSum(op(24))) return op(24) == Op_Add ? Sx_Local_Add : Sx_Local_Sub;
        if (op(12) == Op_Ret) return Sx_Local_Ret;
        if (op(12) == Op_DCall && op(16) == 0) return Sx_Local_DCall;
        if (op(12) == Op_LocalValPtr_Deref && op(24) == Op_DCall && op(28) == 1)
            return Sx_Local_Local_DCall;
        if (op(12) == Op_Push && op(24) == Op_DCall && op(28) == 1) return Sx_Local_Push_DCall;
        break;
    case Op_ArgValPtr_Deref:
        if (intPush(12) && isRelation(op(24)) && op(28) == Op_JumpZero)
            return Sx_Arg_GT_JumpZero + (op(24) - Op_GT);
        if (intPush(12) && isSum(op(24))) return op(24) == Op_Add ? Sx_Arg_Add : Sx_Arg_Sub;
        if (op(12) == Op_Ret) return Sx_Arg_Ret;
        break;
    case Op_PushThis_SMemberValPtr:
        if (intPush(12) && isUpdate(op(24)) && op(28) == Op_Pop &&
            op(32) == Op_PushThis_SMemberValPtr_Deref && op(40) == op(8) && intPush(48) &&
            isRelation(op(60)) && op(64) == Op_JumpZero)
            return (op(24) == Op_AddSubst ? Sx_Field_AddSubst_GT_JumpZero
                                          : Sx_Field_SubSubst_GT_JumpZero) +
                   (op(60) - Op_GT);
        if (intPush(12) && isUpdate(op(24)) && op(28) == Op_Pop)
            return op(24) == Op_AddSubst ? Sx_Field_AddSubst_Pop : Sx_Field_SubSubst_Pop;
        if (op(12) == Op_PushThis_SMemberValPtr_Deref && isUpdate(op(28)) && op(32) == Op_Pop)
            return op(28) == Op_AddSubst ? Sx_Field_AddSubst_Field_Pop
                                         : Sx_Field_SubSubst_Field_Pop;
        if (op(12) == Op_ArgValPtr_Deref && op(24) == Op_Subst && op(28) == Op_Pop)
            return Sx_Field_Subst_Arg_Pop;
        break;
    case Op_LocalValPtr:
        if (op(8) == Op_LocalValPtr_Deref && op(12) == op(4) && op(20) == Op_PushString &&
            op(24) <= size) {
            uint32_t end = 28 + op(24);
            if (op(end) == Op_Add && op(end + 4) == Op_Subst && op(end + 8) == Op_Pop)
                return Sx_Local_Append_Literal;
        }
        if (intPush(8) && isUpdate(op(20)) && op(24) == Op_Pop && op(28) == Op_LocalValPtr_Deref &&
            op(32) == op(4) && intPush(40) && isRelation(op(52)) && op(56) == Op_JumpZero)
            return (op(20) == Op_AddSubst ? Sx_Local_AddSubst_GT_JumpZero
                                          : Sx_Local_SubSubst_GT_JumpZero) +
                   (op(52) - Op_GT);
        if (intPush(8) && isUpdate(op(20)) && op(24) == Op_Pop && op(28) == Op_Jump) {
            bool add = op(20) == Op_AddSubst;
            if (uint32_t relation = loopTestAt(code, size, at + 28 + int32_t(op(32)), op(4)))
                return (add ? Sx_Local_AddSubst_Loop_GT : Sx_Local_SubSubst_Loop_GT) +
                       (relation - Op_GT);
            return add ? Sx_Local_AddSubst_Pop_Jump : Sx_Local_SubSubst_Pop_Jump;
        }
        if (intPush(8) && isUpdate(op(20)) && op(24) == Op_Pop)
            return op(20) == Op_AddSubst ? Sx_Local_AddSubst_Pop : Sx_Local_SubSubst_Pop;
        if (op(8) == Op_LocalValPtr_Deref && isUpdate(op(20)) && op(24) == Op_Pop)
            return op(20) == Op_AddSubst ? Sx_Local_AddSubst_Local_Pop
                                         : Sx_Local_SubSubst_Local_Pop;
        break;
    case Op_PushString: {
        uint32_t length = 8 + op(4);
        if (op(4) <= size && op(length) == Op_Add && op(length + 4) == Op_Subst)
            return Sx_PushString_Add_Subst;
        break;
    }
    case Op_Pop:
        if (op(4) == Op_PushThis && op(8) == Op_Ret) return Sx_Pop_PushThis_Ret;
        break;
    case Op_PushThis:
        if (op(4) == Op_PushThis_SMemberValPtr_Deref && op(20) == Op_ArgValPtr_Deref) {
            if (op(32) == Op_NativeCall) return Sx_This_Field_Arg_NativeCall;
            if (op(32) == Op_ArgValPtr_Deref && op(44) == Op_NativeCall)
                return Sx_This_Field_Arg_Arg_NativeCall;
        }
        if (op(4) == Op_ArgValPtr_Deref || op(4) == Op_LocalValPtr_Deref) {
            bool arg = op(4) == Op_ArgValPtr_Deref;
            if (op(16) == Op_SCall && op(20) == 1)
                return arg ? Sx_This_Arg_SCall : Sx_This_Local_SCall;
            if (intPush(16) && isSum(op(28)) && op(32) == Op_SCall && op(36) == 1) {
                bool add = op(28) == Op_Add;
                return arg ? (add ? Sx_This_ArgAdd_SCall : Sx_This_ArgSub_SCall)
                           : (add ? Sx_This_LocalAdd_SCall : Sx_This_LocalSub_SCall);
            }
        }
        break;
    default:
        break;
    }
    return 0;
}

} // namespace

void fuseSuperinstructions(uint8_t* code, size_t size) {
    for (size_t at = 0; at < size;) {
        uint32_t len = installedInstructionLength(code + at, size - at);
        if (len == 0 || readWord(code + at) == Op_Halt) return;
        if (uint32_t s = superAt(code, size, at)) writeWord(code + at, s);
        at += len;
    }
}

std::vector<uint8_t> storedImage(const uint8_t* code, size_t size) {
    std::vector<uint8_t> image(code, code + size);
    for (size_t at = 0; at < size;) {
        uint32_t len = installedInstructionLength(image.data() + at, size - at);
        if (len == 0) break;
        writeWord(image.data() + at, storedOpcode(readWord(image.data() + at)));
        at += len;
    }
    // Stored images hold their pairs fused, whichever form the code ran in
    // (installed plain, they are apart): a cache written by a plain run
    // serves a fused one at full pace.
    try {
        fuseImage(image.data(), image.size());
    } catch (const ECodeError&) {
        // An image the fusion pass cannot walk is stored as it ran.
    }
    return image;
}

} // namespace ravok
