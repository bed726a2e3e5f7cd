// Calls that need no frame of their own. Array.add is a kernel method whose
// whole body is `native_add(_x, v); return this;`, Array.get's is
// `return native_get(_x, i);` and Array.set's `native_set(_x, i, v); return
// v;`: a frame, a few dispatches and a return around one list operation.
// Their calls do the operation at the call site instead when nothing of the
// method's frame could be seen: the field holds a live list and (for get and
// set) the index is an int inside it, so the operation
// cannot fail and no error trace could name the method; the slice has budget
// for every instruction of the body (so it ends where the body would have
// let it end); and the stack has the room the frame would take (so an
// overflow is still reported where it was). Code in any other shape, with a
// breakpoint in it, or installed unfused is called as ever.
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

// Array.get's body: its first superinstruction (a dispatch and three) and
// the Ret.
constexpr int32_t kGetBodyBudget = 5;

// Array.set's body: its first superinstruction (a dispatch and four), the
// Pop, and the argument's push and Ret (a dispatch and one).
constexpr int32_t kSetBodyBudget = 8;

// On unless a test runs the methods themselves to compare the two.
inline bool gAppendInPlace = true;
// How many calls ran in place: tests see that the comparison compared
// something.
inline uint64_t gInPlaceRuns = 0;

// Whether fn's code may be one of the bodies: the one test every call makes,
// inline.
inline bool mayRunInPlace(const TNormalFunction* fn) {
    uint32_t first = readWord(fn->code.codePtr());
    return first == Sx_This_Field_Arg_NativeCall || first == Sx_This_Field_Arg_Arg_NativeCall;
}

// The list a call of fn on `instance` (of class cls) with argc arguments
// appends to in place, and in argIndex which argument it appends; nullptr
// when the call must run the method.
TValueList* appendInPlaceList(const TNormalFunction* fn, const TRTTI* cls, uint32_t instance,
                              uint32_t argc, uint32_t& argIndex);

// The same for Array.get: the list, and which argument is the index; the
// caller still checks the index against the list.
TValueList* getInPlaceList(const TNormalFunction* fn, const TRTTI* cls, uint32_t instance,
                           uint32_t argc, uint32_t& indexArg);

// The same for Array.set: the list, and which arguments are the index and
// the value; the caller still checks the index against the list.
TValueList* setInPlaceList(const TNormalFunction* fn, const TRTTI* cls, uint32_t instance,
                           uint32_t argc, uint32_t& indexArg, uint32_t& valueArg);

} // namespace ravok
