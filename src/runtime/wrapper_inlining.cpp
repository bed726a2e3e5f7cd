#include "runtime/wrapper_inlining.h"

#include "runtime/code_image.h"
#include "runtime/core_natives.h"
#include "runtime/function.h"
#include "runtime/host_registry.h"
#include "runtime/opcodes.h"
#include "runtime/rtti.h"
#include "runtime/tf_object.h"
#include "runtime/value_list.h"

namespace ravok {

namespace {
// The bodies as installed. Array.add and Array.get begin with
// Sx_This_Field_Arg_NativeCall (PushThis, PushThis_SMemberValPtr_Deref of the
// field, ArgValPtr_Deref of the argument, NativeCall with two arguments);
// add goes on with Sx_Pop_PushThis_Ret, get with Ret.
constexpr uint32_t kFieldAt = 12, kArgumentAt = 24, kNativeArgcAt = 36, kNativeIdAt = 40,
                   kAfterCallAt = 44;
// Array.set begins with Sx_This_Field_Arg_Arg_NativeCall (the index and the
// value arguments, NativeCall with three), then Pop and Sx_Arg_Ret of the
// value argument.
constexpr uint32_t kSetIndexAt = 24, kSetValueAt = 36, kSetNativeArgcAt = 48, kSetNativeIdAt = 52,
                   kSetPopAt = 56, kSetReturnAt = 60, kSetReturnArgAt = 64, kSetBodyBytes = 72;

const TNativeFunction* nativeAt(const uint8_t* idWord) {
    const TFunction* native = functionById(readWord(idWord));
    return native && native->kind() == TFunctionKind::Native
               ? static_cast<const TNativeFunction*>(native)
               : nullptr;
}

// The routine a kind's native must have.
TNativeRoutine inPlaceRoutine(TInPlaceKind kind) {
    switch (kind) {
    case TInPlaceKind::Append:
        return listAppendRoutine();
    case TInPlaceKind::Get:
        return listGetRoutine();
    case TInPlaceKind::Set:
        return listSetRoutine();
    default:
        return nullptr;
    }
}

// A forwarding body: PushThis, up to kMostForwarded pushes of constants
// (Push) and arguments (ArgValPtr_Deref), a NativeCall of as many
// arguments, and `Pop; PushThis; Ret` fused into Sx_Pop_PushThis_Ret (so
// code installed unfused never matches). Every word is read exactly: a
// trapped one fails.
TNormalFunction::TInPlaceShape forwardingShapeOf(const uint8_t* code, size_t size) {
    TNormalFunction::TInPlaceShape shape;
    if (size < 4 || readWord(code) != Op_PushThis) return shape;
    size_t at = kForwardPushesAt;
    uint32_t pushes = 0;
    while (at + kForwardPushBytes <= size &&
           (readWord(code + at) == Op_Push || readWord(code + at) == Op_ArgValPtr_Deref)) {
        at += kForwardPushBytes;
        ++pushes;
    }
    if (pushes > kMostForwarded || at + 24 > size || readWord(code + at) != Op_NativeCall ||
        readWord(code + at + 4) != pushes || readWord(code + at + 12) != Sx_Pop_PushThis_Ret ||
        readWord(code + at + 16) != Op_PushThis || readWord(code + at + 20) != Op_Ret)
        return shape;
    shape.native = nativeAt(code + at + 8);
    shape.kind = uint8_t(TInPlaceKind::Forward);
    shape.first = pushes;
    return shape;
}

// The shape of fn's body, or kind None.
TNormalFunction::TInPlaceShape shapeOf(const TNormalFunction* fn) {
    TNormalFunction::TInPlaceShape shape;
    const uint8_t* code = fn->code.codePtr();
    size_t size = fn->code.size();
    if (size >= 4 && readWord(code) == Op_PushThis) {
        shape = forwardingShapeOf(code, size);
        if (!shape.native) shape.kind = uint8_t(TInPlaceKind::None);
        return shape;
    }
    // Exact words: a trapped instruction carries the trap bit and fails here.
    uint32_t first = size >= 4 ? readWord(code) : 0;
    if (first == Sx_This_Field_Arg_NativeCall && size >= kAfterCallAt + 4 &&
        readWord(code + kNativeArgcAt) == 2) {
        uint32_t after = readWord(code + kAfterCallAt);
        shape.native = nativeAt(code + kNativeIdAt);
        if (after == Sx_Pop_PushThis_Ret)
            shape.kind = uint8_t(TInPlaceKind::Append);
        else if (after == Op_Ret)
            shape.kind = uint8_t(TInPlaceKind::Get);
        shape.first = readWord(code + kArgumentAt);
    } else if (first == Sx_This_Field_Arg_Arg_NativeCall && size >= kSetBodyBytes &&
               readWord(code + kSetNativeArgcAt) == 3 && readWord(code + kSetPopAt) == Op_Pop &&
               readWord(code + kSetReturnAt) == Sx_Arg_Ret &&
               // The value returned must be the one stored.
               readWord(code + kSetReturnArgAt) == readWord(code + kSetValueAt)) {
        shape.native = nativeAt(code + kSetNativeIdAt);
        shape.kind = uint8_t(TInPlaceKind::Set);
        shape.first = readWord(code + kSetIndexAt);
        shape.second = readWord(code + kSetValueAt);
    }
    // Whether the native has the kernel's routine is checked at each call:
    // a routine may be bound again. One that is no native is no shape.
    if (!shape.native) shape.kind = uint8_t(TInPlaceKind::None);
    shape.field = readWord(code + kFieldAt);
    return shape;
}
} // namespace

const TNormalFunction::TInPlaceShape& learnInPlaceShape(const TNormalFunction* fn) {
    TNormalFunction::TInPlaceShape shape = shapeOf(fn);
    shape.routine = inPlaceRoutine(TInPlaceKind(shape.kind));
    shape.stamp = fn->code.installStamp();
    shape.freedAt = gFunctionsFreed;
    fn->inPlaceShape = shape;
    return fn->inPlaceShape;
}

} // namespace ravok
