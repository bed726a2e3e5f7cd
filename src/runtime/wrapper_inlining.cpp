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

TValueList* appendInPlaceList(const TNormalFunction* fn, const TRTTI* cls, uint32_t instance,
                              uint32_t argc, uint32_t& argIndex) {
    if (!gAppendInPlace || fn->code.size() < kBodyBytes) return nullptr;
    const uint8_t* code = fn->code.codePtr();
    // Exact words: a trapped instruction carries the trap bit and fails here.
    if (readWord(code) != Sx_This_Field_Arg_NativeCall ||
        readWord(code + kReturnAt) != Sx_Pop_PushThis_Ret || readWord(code + kNativeArgcAt) != 2)
        return nullptr;
    const TFunction* native = functionById(readWord(code + kNativeIdAt));
    if (!native || native->kind() != TFunctionKind::Native ||
        static_cast<const TNativeFunction*>(native)->routine != listAppendRoutine())
        return nullptr;
    uint32_t field = readWord(code + kFieldAt);
    argIndex = readWord(code + kArgumentAt);
    if (argIndex >= argc || field >= uint32_t(cls->laidOutFields())) return nullptr;
    THostObject* list =
        THostRegistry::instance().find(objectAt(instance)->field(int32_t(field)), THostKind::List);
    return static_cast<TValueList*>(list);
}

} // namespace ravok
