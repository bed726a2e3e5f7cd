// Methods. TFunction is the base of the four kinds: methods with code
// (TNormalFunction and its kinds TConstructor and TDestructor) and methods whose
// body is a routine of this program (TNativeFunction). Code images name methods
// by 32-bit ids from the function registry.
#pragma once

#include "runtime/compiled_info.h"
#include "runtime/value.h"

#include <memory>
#include <string>
#include <vector>

namespace ravok {

class TRTTI;

enum class TFunctionKind : uint8_t { Normal, Constructor, Destructor, Native };

// routine(cell, argc, reserved): cell is the receiver slot, which is also the
// result slot; argument i (1-based) is the cell at cell - i.
using TNativeRoutine = void (*)(TValue* cell, int argc, int reserved);

class TFunction {
public:
    TFunction(TFunctionKind kind, TRTTI* ownerClass, uint32_t nameSymbol);
    virtual ~TFunction();
    TFunction(const TFunction&) = delete;
    TFunction& operator=(const TFunction&) = delete;

    virtual std::string nameText() const;

    TFunctionKind kind() const { return kind_; }
    bool hasCode() const { return kind_ != TFunctionKind::Native; }
    uint32_t id() const { return id_; }

    TRTTI* owner;
    int32_t usageCount = 0; // number of method tables holding this method
    uint32_t name;          // symbol id

private:
    TFunctionKind kind_;
    uint32_t id_;
};

class TNativeFunction;

// How many methods were ever freed: what holds a method's address checks it.
inline uint64_t gFunctionsFreed = 0;

class TNormalFunction : public TFunction {
public:
    TNormalFunction(TRTTI* ownerClass, uint32_t nameSymbol,
                    TFunctionKind kind = TFunctionKind::Normal)
        : TFunction(kind, ownerClass, nameSymbol) {}

    std::vector<std::string> argNames;
    std::vector<std::string> localNames;
    TCompiledInfo code;

    int32_t localCount() const { return int32_t(localNames.size()); }

    // Which list operation a call of this method may do in place, as
    // learned at the code's install stamp while no method was freed since
    // (runtime/wrapper_inlining.h): the kind (0: none), the field holding the
    // list, the arguments taken, and the native with the routine it must
    // still have.
    struct TInPlaceShape {
        uint64_t stamp = 0, freedAt = 0;
        uint8_t kind = 0;
        uint32_t field = 0, first = 0, second = 0;
        const TNativeFunction* native = nullptr;
        TNativeRoutine routine = nullptr; // the kernel's routine for the kind
    };
    mutable TInPlaceShape inPlaceShape;
};

class TConstructor : public TNormalFunction {
public:
    TConstructor(TRTTI* ownerClass, uint32_t nameSymbol)
        : TNormalFunction(ownerClass, nameSymbol, TFunctionKind::Constructor) {}
};

class TDestructor : public TNormalFunction {
public:
    TDestructor(TRTTI* ownerClass, uint32_t nameSymbol)
        : TNormalFunction(ownerClass, nameSymbol, TFunctionKind::Destructor) {}

    // Whether the code only frees a string body (string_destructor.h), as
    // learned at the code's install stamp.
    uint64_t bodyCheckStamp = 0;
    bool onlyFreesBody = false;
};

// The body of a native declaration that was never bound.
void unboundNativeRoutine(TValue* cell, int argc, int reserved);

class TNativeFunction : public TFunction {
public:
    TNativeFunction(TRTTI* ownerClass, uint32_t nameSymbol)
        : TFunction(TFunctionKind::Native, ownerClass, nameSymbol) {}
    TNativeRoutine routine = unboundNativeRoutine;
    // Whether the routine needs nothing of a calling method's frame: it never
    // fails, warns, suspends or runs scripts, and reads only its receiver and
    // arguments (it may put a result in the receiver's slot, never in an
    // argument's, and keeps no argument). A method that only hands its
    // arguments to such a routine may run at its call site
    // (runtime/wrapper_inlining.h). Set with the routine when it is bound.
    bool frameless = false;
};

// Every method by id (made with the first method).
inline std::vector<TFunction*>* gFunctionTable = nullptr;

// The method with this id, or nullptr for an id that names no live method.
inline TFunction* functionById(uint32_t id) {
    const std::vector<TFunction*>* table = gFunctionTable;
    return table && id < table->size() ? (*table)[id] : nullptr;
}

} // namespace ravok
