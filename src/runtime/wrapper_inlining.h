// Calls that need no frame of their own. Array.add is a kernel method whose
// whole body is `native_add(_x, v); return this;`: a frame, four dispatches
// and a return around one append. Its call appends at the call site instead
// when nothing of the method's frame could be seen: the field holds a live
// list (so the append cannot fail and no error trace could name the method),
// the slice has budget for every instruction of the body (so it ends where
// the body would have let it end), and the stack has the room the frame would
// take (so an overflow is still reported where it was). Code in any other
// shape, with a breakpoint in it, or installed unfused is called as ever.
#pragma once

#include "runtime/code_image.h"
#include "runtime/function.h"
#include "runtime/opcodes.h"

#include <cstdint>

namespace ravok {

class TRTTI;
class TValueList;

// What the body takes from the budget after the call's own dispatch: its
// first superinstruction (a dispatch and three) and the Pop, PushThis and
// Ret (a dispatch and two).
constexpr int32_t kAppendBodyBudget = 7;

// On unless a test runs the method itself to compare the two.
inline bool gAppendInPlace = true;

// Whether fn's code may be the body: the one test every call makes, inline.
inline bool mayAppendInPlace(const TNormalFunction* fn) {
    return readWord(fn->code.codePtr()) == Sx_This_Field_Arg_NativeCall;
}

// The list a call of fn on `instance` (of class cls) with argc arguments
// appends to in place, and in argIndex which argument it appends; nullptr
// when the call must run the method.
TValueList* appendInPlaceList(const TNormalFunction* fn, const TRTTI* cls, uint32_t instance,
                              uint32_t argc, uint32_t& argIndex);

} // namespace ravok
