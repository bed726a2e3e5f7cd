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
// The installed body: Sx_This_Field_Arg_NativeCall (PushThis,
// PushThis_SMemberValPtr_Deref field, ArgValPtr_Deref argument, NativeCall
// with two arguments) and Sx_Pop_PushThis_Ret after it.
constexpr uint32_t kFieldAt = 12, kArgumentAt = 24, kNativeArgcAt = 36, kNativeIdAt = 40,
                   kReturnAt = 44, kBodyBytes = 56;
} // namespace

namespace {
// Array.set's installed body: Sx_This_Field_Arg_Arg_NativeCall (PushThis,
// the field, the index and value arguments, NativeCall with three), Pop, then
// Sx_Arg_Ret of the value argument.
constexpr uint32_t kSetFieldAt = 12, kSetIndexAt = 24, kSetValueAt = 36, kSetNativeArgcAt = 48,
                   kSetNativeIdAt = 52, kSetPopAt = 56, kSetReturnAt = 60, kSetReturnArgAt = 64,
                   kSetBodyBytes = 72;

TValueList* fieldList(const TRTTI* cls, uint32_t instance, uint32_t field) {
    if (field >= uint32_t(cls->laidOutFields())) return nullptr;
    THostObject* list =
        THostRegistry::instance().find(objectAt(instance)->field(int32_t(field)), THostKind::List);
    return static_cast<TValueList*>(list);
}

bool callsRoutine(const uint8_t* idWord, TNativeRoutine routine) {
    const TFunction* native = functionById(readWord(idWord));
    return native && native->kind() == TFunctionKind::Native &&
           static_cast<const TNativeFunction*>(native)->routine == routine;
}
} // namespace

TValueList* getInPlaceList(const TNormalFunction* fn, const TRTTI* cls, uint32_t instance,
                           uint32_t argc, uint32_t& indexArg) {
    if (!gAppendInPlace || fn->code.size() < kReturnAt + 4) return nullptr;
    const uint8_t* code = fn->code.codePtr();
    if (readWord(code) != Sx_This_Field_Arg_NativeCall || readWord(code + kReturnAt) != Op_Ret ||
        readWord(code + kNativeArgcAt) != 2 || !callsRoutine(code + kNativeIdAt, listGetRoutine()))
        return nullptr;
    indexArg = readWord(code + kArgumentAt);
    if (indexArg >= argc) return nullptr;
    return fieldList(cls, instance, readWord(code + kFieldAt));
}

TValueList* setInPlaceList(const TNormalFunction* fn, const TRTTI* cls, uint32_t instance,
                           uint32_t argc, uint32_t& indexArg, uint32_t& valueArg) {
    if (!gAppendInPlace || fn->code.size() < kSetBodyBytes) return nullptr;
    const uint8_t* code = fn->code.codePtr();
    // Exact words: a trapped instruction carries the trap bit and fails here.
    if (readWord(code) != Sx_This_Field_Arg_Arg_NativeCall ||
        readWord(code + kSetNativeArgcAt) != 3 || readWord(code + kSetPopAt) != Op_Pop ||
        readWord(code + kSetReturnAt) != Sx_Arg_Ret ||
        !callsRoutine(code + kSetNativeIdAt, listSetRoutine()))
        return nullptr;
    indexArg = readWord(code + kSetIndexAt);
    valueArg = readWord(code + kSetValueAt);
    // The value returned must be the one stored.
    if (readWord(code + kSetReturnArgAt) != valueArg || indexArg >= argc || valueArg >= argc)
        return nullptr;
    return fieldList(cls, instance, readWord(code + kSetFieldAt));
}

TValueList* appendInPlaceList(const TNormalFunction* fn, const TRTTI* cls, uint32_t instance,
                              uint32_t argc, uint32_t& argIndex) {
    if (!gAppendInPlace || fn->code.size() < kBodyBytes) return nullptr;
    const uint8_t* code = fn->code.codePtr();
    // Exact words: a trapped instruction carries the trap bit and fails here.
    if (readWord(code) != Sx_This_Field_Arg_NativeCall ||
        readWord(code + kReturnAt) != Sx_Pop_PushThis_Ret || readWord(code + kNativeArgcAt) != 2)
        return nullptr;
    if (!callsRoutine(code + kNativeIdAt, listAppendRoutine())) return nullptr;
    argIndex = readWord(code + kArgumentAt);
    if (argIndex >= argc) return nullptr;
    return fieldList(cls, instance, readWord(code + kFieldAt));
}

} // namespace ravok
