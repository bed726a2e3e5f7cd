// The counted loop the interpreter and call benchmarks share, hand-assembled:
//   l0 = 0; while (l0 < iterations) { <body>; } return l0;
// The body must advance l0 (emitIncrement does). The loop's own control costs
// 5 instructions a turn once fused: the local read, the bound, the compare,
// the branch and the jump back.
#pragma once

#include "runtime/code_writer.h"
#include "runtime/value.h"

#include <cstdint>
#include <functional>

namespace ravok {

inline void emitIncrement(TCodeWriter& w) { // l0 += 1
    w.emit(Op_LocalValPtr, {0});
    w.emitPush(TValue::ofInt(1));
    w.emit(Op_AddSubst);
    w.emit(Op_Pop);
}

inline void emitCountedLoop(TCodeWriter& w, int32_t iterations,
                            const std::function<void(TCodeWriter&)>& body) {
    w.emit(Op_LocalValPtr, {0});
    w.emitPush(TValue::ofInt(0));
    w.emit(Op_Subst);
    w.emit(Op_Pop);
    uint32_t top = w.position();
    w.emit(Op_LocalValPtr, {0});
    w.emit(Op_Deref);
    w.emitPush(TValue::ofInt(iterations));
    w.emit(Op_LT);
    uint32_t exit = w.emitJump(Op_JumpZero);
    body(w);
    w.patchJump(w.emitJump(Op_Jump), top);
    w.patchJump(exit, w.position());
    w.emit(Op_LocalValPtr, {0});
    w.emit(Op_Deref);
    w.emit(Op_Ret);
    w.emitHalt();
}

} // namespace ravok
