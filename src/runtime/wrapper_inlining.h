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
//
// The same holds for a method that only hands constants and its arguments
// to a frameless native and returns `this` (Sprite.drawPattern's
// `native_set(0, x, y, p, f, z); return this;`): the native runs at the call
// site with the arguments laid out below the caller's stack as the body
// would have pushed them, since it can neither fail nor look at the frame.
#pragma once

#include "runtime/code_image.h"
#include "runtime/function.h"
#include "runtime/host_registry.h"
#include "runtime/opcodes.h"
#include "runtime/rtti.h"
#include "runtime/tf_object.h"
#include "runtime/value_list.h"

#include <cstdint>

namespace ravok {

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

// A forwarding body of n pushes: PushThis, the pushes, the NativeCall and
// Sx_Pop_PushThis_Ret (a dispatch and two).
constexpr int32_t forwardBodyBudget(uint32_t pushes) { return int32_t(pushes) + 5; }
// The most pushes a forwarding body may have: with `this`, they fit in the
// room a call keeps free below the frame it would enter.
constexpr uint32_t kMostForwarded = 11;
// Where a forwarding body's pushes start and how long each is.
constexpr uint32_t kForwardPushesAt = 4, kForwardPushBytes = 12;

// On unless a test runs the methods themselves to compare the two.
inline bool gAppendInPlace = true;
// How many calls ran in place: tests see that the comparison compared
// something.
inline uint64_t gInPlaceRuns = 0;

// Whether fn's code may be one of the bodies: the one test every call makes,
// inline.
inline bool mayRunInPlace(const TNormalFunction* fn) {
    uint32_t first = readWord(fn->code.codePtr());
    return first == Sx_This_Field_Arg_NativeCall || first == Sx_This_Field_Arg_Arg_NativeCall ||
           first == Op_PushThis;
}

enum class TInPlaceKind : uint8_t { None, Append, Get, Set, Forward };

// What a call does in place: the operation, the list, and which arguments it
// takes (`first` the appended value or the index, `second` the value set).
// For Forward: the native, and `first` the number of its arguments.
// Kind None: the call must run the method. The caller still checks an index
// against the list.
struct TInPlaceCall {
    TInPlaceKind kind = TInPlaceKind::None;
    TValueList* list = nullptr;
    uint32_t first = 0, second = 0;
    const TNativeFunction* native = nullptr;
};

// Reads fn's body for one of the shapes and keeps what it found in
// fn->inPlaceShape with the code's stamp and the count of freed methods.
const TNormalFunction::TInPlaceShape& learnInPlaceShape(const TNormalFunction* fn);

// What a call of fn on `instance` (of class cls) with argc arguments does in
// place. The shape is read from the code once per install or rewrite (a
// breakpoint set is a rewrite), and again once any method was freed (it
// holds the native's address), so each call checks only what may change
// between calls: the arguments passed, the native's routine and the field.
[[gnu::always_inline]] inline TInPlaceCall inPlaceCall(const TNormalFunction* fn, const TRTTI* cls,
                                                       uint32_t instance, uint32_t argc) {
    if (!gAppendInPlace) return {};
    const TNormalFunction::TInPlaceShape& kept = fn->inPlaceShape;
    const TNormalFunction::TInPlaceShape& shape =
        kept.stamp == fn->code.installStamp() && kept.freedAt == gFunctionsFreed
            ? kept
            : learnInPlaceShape(fn);
    auto kind = TInPlaceKind(shape.kind);
    // The native is bound again with its flag, so a routine put in its place
    // is frameless only if it says so.
    if (kind == TInPlaceKind::Forward)
        return shape.native->frameless ? TInPlaceCall{kind, nullptr, shape.first, 0, shape.native}
                                       : TInPlaceCall{};
    if (kind == TInPlaceKind::None || shape.first >= argc ||
        (kind == TInPlaceKind::Set && shape.second >= argc) ||
        shape.native->routine != shape.routine || shape.field >= uint32_t(cls->laidOutFields()))
        return {};
    auto* list = static_cast<TValueList*>(THostRegistry::instance().find(
        objectAt(instance)->field(int32_t(shape.field)), THostKind::List));
    if (!list) return {};
    return {kind, list, shape.first, shape.second};
}

} // namespace ravok
