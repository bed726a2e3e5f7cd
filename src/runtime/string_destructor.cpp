#include "runtime/string_destructor.h"

#include "runtime/class_builder.h"
#include "runtime/function.h"
#include "runtime/opcodes.h"
#include "runtime/rtti.h"
#include "runtime/tf_object.h"
#include "runtime/tf_string.h"

#include <cstring>

namespace ravok {

namespace {

struct TCodeReader {
    const uint8_t* at;
    const uint8_t* end;

    uint32_t word(size_t offset) const {
        uint32_t w;
        std::memcpy(&w, at + offset, 4);
        return w;
    }
    // The next instruction that is not a source point, or false at the end;
    // a superinstruction reads as the instruction it was installed over.
    bool next(uint32_t& op) {
        while (at + 4 <= end) {
            op = storedOpcode(word(0));
            if (op >= kOpcodeCount || at + kOpcodeLength[op] > end) return false;
            if (op != Op_Point) return true;
            at += kOpcodeLength[op];
        }
        return false;
    }
    void skip(uint32_t op) { at += kOpcodeLength[op]; }
};

} // namespace

bool freesOnlyStringBody(const TNormalFunction& destructor) {
    if (!destructor.code.codeStart() || gCore.stringBody < 0) return false;
    TCodeReader r{destructor.code.codePtr(), destructor.code.codePtr() + destructor.code.size()};
    uint32_t op;
    if (!r.next(op) || op != Op_PushThis) return false;
    r.skip(op);
    if (!r.next(op) || op != Op_PushThis_SMemberValPtr_Deref ||
        int32_t(r.word(8)) != gCore.stringBody)
        return false;
    r.skip(op);
    if (!r.next(op) || op != Op_NativeCall || r.word(4) != 1) return false;
    TFunction* native = functionById(r.word(8));
    if (!native || native->hasCode() ||
        static_cast<TNativeFunction*>(native)->routine != nativeFreeBody)
        return false;
    r.skip(op);
    if (!r.next(op) || op != Op_Pop) return false;
    r.skip(op);
    if (!r.next(op) || op != Op_PushThis) return false;
    r.skip(op);
    return r.next(op) && op == Op_Ret;
}

bool freesOnlyStringBody(TDestructor& destructor) {
    uint64_t stamp = destructor.code.installStamp();
    if (destructor.bodyCheckStamp != stamp) {
        destructor.onlyFreesBody =
            freesOnlyStringBody(static_cast<const TNormalFunction&>(destructor));
        destructor.bodyCheckStamp = stamp;
    }
    return destructor.onlyFreesBody;
}

void freeStringBody(uint32_t instance) { delete stringBody(instance); }

} // namespace ravok
