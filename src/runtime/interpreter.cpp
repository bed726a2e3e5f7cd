#include "runtime/interpreter.h"

#include "runtime/code_traps.h"
#include "runtime/method_profile.h"

#include "base/seam.h"

#include "runtime/arithmetic.h"
#include "runtime/close_names.h"
#include "runtime/errors.h"
#include "runtime/function.h"
#include "runtime/messages.h"
#include "runtime/opcodes.h"
#include "runtime/pool.h"
#include "runtime/process.h"
#include "runtime/rtti.h"
#include "runtime/string_append.h"
#include "runtime/symbols.h"
#include "runtime/tf_string.h"
#include "runtime/value_list.h"
#include "runtime/value_ops.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>

#ifndef RAVOK_SWITCH_DISPATCH
#define RAVOK_COMPUTED_GOTO 1
#endif

namespace ravok {

namespace {

TDebugHold gNoDebugger;
constinit TSeam<TDebugHold> gHold(gNoDebugger);

// "Native関数"
constexpr const char* kNativeFunction = "Native\x8A\xD6\x90\x94"; // message

[[noreturn]] void fatal(const std::string& text) { throw ERunError(text); }

[[noreturn]] void stackOverflow() { fatal(translate("Stack Overflow.")); }

std::string receiverClassName(const uint8_t* thisSlot) {
    if (!thisSlot) return {};
    const TValue& v = *reinterpret_cast<const TValue*>(thisSlot);
    if (v.kind != vtObject) return {};
    TRTTI* cls = classById(objectAt(v.u)->classId);
    return cls ? cls->name : std::string();
}

TRTTI* classOf(const TValue& v) { return classById(objectAt(v.u)->classId); }

// A string's _body read from outside its class hands the script the body's
// handle, which would show the body grown in place.
void noteBodyRead(const TValue& obj, int32_t index) {
    if (index == gCore.stringBody && isStringValue(obj))
        if (TfString* body = stringBody(obj.u)) body->markIdentitySeen();
}

// The field cell of an instance reached by a known index; the index and the
// instance are checked, because `this` may be a non-object inside _errorHook.
TValue* fieldByIndex(const TValue& obj, int32_t index) {
    if (obj.kind != vtObject)
        fatal(describeValue(obj) + translate(" Field") + "#" + std::to_string(index) +
              translate(" cannot be read."));
    TfObject* o = objectAt(obj.u);
    TRTTI* cls = classById(o->classId);
    if (!cls || index < 0 || index >= cls->fieldCount() || 12 + 8 * index >= cls->instanceSize)
        fatal(translate("Field index ") + std::to_string(index) +
              translate(" is out of range in ") + (cls ? cls->classText() : std::string("?")));
    noteBodyRead(obj, index);
    return &o->field(index);
}

TValue* scratchSetTo(const TValue& v) {
    TValue& s = scratchCell();
    store(s, v);
    return &s;
}

// Field read by name: the cell of the field, or the scratch cell holding
// vtError 0 after the warning.
TValue* fieldByName(TProcess* p, const TValue& obj, uint32_t symbol, int32_t* cache) {
    if (obj.kind == vtObject) {
        TRTTI* cls = classOf(obj);
        int32_t i = cls ? cls->fieldIndex(symbol, cache) : -1;
        if (i >= 0 && 12 + 8 * i < cls->instanceSize) {
            noteBodyRead(obj, i);
            return &objectAt(obj.u)->field(i);
        }
        std::string text =
            translate("Variable") + symbolName(symbol) + translate(" is not defined.");
        if (std::string hint = fieldHint(symbolName(symbol), cls); !hint.empty())
            text += "\n" + hint;
        warning(p, text);
        *cache = 0;
    } else if (obj.kind != vtError) {
        warning(p, describeValue(obj) + translate(" Field") + symbolName(symbol) +
                       translate(" cannot be read."));
    }
    return scratchSetTo(TValue::ofError(0));
}

TNormalFunction* codeOf(TFunction* fn, uint32_t nameSymbol) {
    if (!fn) return nullptr;
    if (!fn->hasCode())
        fatal(translate(kNativeFunction) + symbolName(nameSymbol) +
              translate(" cannot be invoked."));
    return static_cast<TNormalFunction*>(fn);
}

// The method an Op_DCall reaches: the named one, else _errorHook after the
// warning, else a fatal error.
TNormalFunction* resolveDynamicCall(TProcess* p, const TValue& receiver, uint32_t symbol,
                                    int32_t* cache) {
    if (receiver.kind == vtObject) {
        TRTTI* cls = classOf(receiver);
        if (!cls)
            fatal(describeValue(receiver) + translate(" is not Object. Method ") +
                  symbolName(symbol) + translate(" cannot be called."));
        if (TNormalFunction* fn = codeOf(cls->methodBySymbol(symbol, cache), symbol)) return fn;
        *cache = 0;
        std::string missing =
            translate("Method") + symbolName(symbol) + translate(" is not defined.");
        // With a hook the script goes on, and the warning is the one report;
        // without, the error that ends the process is.
        if (std::string hint = methodHint(symbolName(symbol), cls); !hint.empty())
            missing += "\n" + hint;
        TFunction* hook = cls->methodBySymbol(symErrorHook, cache);
        if (hook && hook->hasCode()) {
            warning(p, missing);
            return static_cast<TNormalFunction*>(hook);
        }
        fatal(missing);
    }
    // describeValue already says "is not Object" (or "is not initialized"),
    // so the call is named after it, once.
    std::string refused = describeValue(receiver) + translate(" Method") + symbolName(symbol) +
                          translate(" cannot be called.");
    TFunction* hook = gCore.object ? gCore.object->methodBySymbol(symErrorHook, cache) : nullptr;
    if (hook && hook->hasCode()) {
        if (receiver.kind != vtError) warning(p, refused);
        return static_cast<TNormalFunction*>(hook);
    }
    fatal(refused);
}

TNormalFunction* resolveStaticCall(const TValue& receiver, int32_t index) {
    if (receiver.kind != vtObject)
        fatal(describeValue(receiver) + translate(" is not Object. Method ") + "#" +
              std::to_string(index) + translate(" cannot be called."));
    TRTTI* cls = classOf(receiver);
    TFunction* fn = cls ? cls->methodByIndex(index) : nullptr;
    if (!fn)
        fatal(translate("Method") + "#" + std::to_string(index) + translate(" is not defined."));
    return codeOf(fn, fn->name);
}

// The text of the PushString instruction at `at`: the bytes of its area up
// to the first zero byte.
inline std::string_view literalOf(const uint8_t* at) {
    uint32_t area;
    std::memcpy(&area, at + 4, sizeof area);
    const char* text = reinterpret_cast<const char*>(at + 8);
    // Most literals are a few bytes: measured here a word at a time, not in
    // a call. The lowest byte flagged in a word is its first zero byte.
    if (area > 16 || area % 4 != 0) return std::string_view(text, strnlen(text, area));
    for (uint32_t i = 0; i < area; i += 4) {
        uint32_t word;
        std::memcpy(&word, text + i, sizeof word);
        if (uint32_t zeros = (word - 0x01010101u) & ~word & 0x80808080u)
            return std::string_view(text, i + uint32_t(std::countr_zero(zeros)) / 8);
    }
    return std::string_view(text, area);
}

// Values the hottest bodies move are moved as whole words. A TValue copy is
// taken apart into its kind byte and payload and put together again in the
// stack frame, and reading the whole word back after two narrower stores
// stalls the processor.
inline uint64_t wordOf(const TValue& cell) {
    uint64_t w;
    std::memcpy(&w, &cell, sizeof w);
    return w;
}
inline void putWord(TValue& cell, uint64_t w) { std::memcpy(&cell, &w, sizeof w); }
inline bool isObjectWord(uint64_t w) { return uint8_t(w) == vtObject; }
inline void countWord(uint64_t w) {
    if (isObjectWord(w)) ++objectAt(uint32_t(w >> 32))->refcount;
}
inline void releaseWord(uint64_t w) {
    if (isObjectWord(w) && --objectAt(uint32_t(w >> 32))->refcount <= 0)
        countDroppedToZero(uint32_t(w >> 32));
}

// Releases the argc argument slots below a receiver slot. Each slot is
// cleared before its count drops, so a failure midway never releases one twice.
inline void releaseArguments(uint8_t* receiverSlot, uint32_t argc) {
    for (uint32_t i = 1; i <= argc; ++i) {
        TValue& slot = *reinterpret_cast<TValue*>(receiverSlot - 8 * i);
        uint64_t arg = wordOf(slot);
        if (!isObjectWord(arg)) continue;
        putWord(slot, 0);
        releaseWord(arg);
    }
}

TValueList* forInList(const TValue& v) {
    auto* list = static_cast<TValueList*>(THostRegistry::instance().find(v, THostKind::List));
    if (!list) fatal(describeBadHandle(v.u, "array list"));
    return list;
}

// Executes instructions until the slice's budget is spent or the process
// finishes, halts or suspends. Instruction pointer, stack pointer, frame pointer
// and budget live in locals and are written back whenever something outside
// this function may look at them (natives, warnings, nested runs, errors).
template <bool kProfiling> void execute(TProcess* p) {
    // The profiling build tells the method profiler where each slice begins
    // and ends, however it ends.
    struct TSliceReport {
        TProcess* p;
        explicit TSliceReport(TProcess* process) : p(process) {
            if constexpr (kProfiling) TMethodProfile::instance().sliceBegins(p);
        }
        ~TSliceReport() {
            if constexpr (kProfiling) TMethodProfile::instance().sliceEnds(p);
        }
    } sliceReport(p);
    uint8_t* ip = p->ip;
    uint8_t* sp = p->sp;
    uint8_t* fp = p->fp;
    int32_t budget = p->budget;
    uint8_t* const stackLow = p->stackBlock;
    // The receiver of the running frame and how many fields its record
    // holds, read again whenever the frame changes: a frame's receiver slot
    // does not change while the frame runs.
    TfObject* self = nullptr;
    TRTTI* selfClass = nullptr;
    uint32_t selfOffset = 0;
    int32_t selfFields = 0;
    // Holds the instance at `offset` of class c (nullptr: no instance).
    auto holdSelf = [&](uint32_t offset, TRTTI* c) {
        self = c ? objectAt(offset) : nullptr;
        selfClass = c;
        selfOffset = c ? offset : 0;
        selfFields = c ? c->laidOutFields() : 0;
    };
    auto loadSelf = [&] {
        const TValue& r = *reinterpret_cast<const TValue*>(p->thisSlot);
        // A call to or a return from a method of the same instance (a method
        // calling its own methods, recursion) keeps what was read.
        if (self && r.kind == vtObject && r.u == selfOffset) return;
        holdSelf(r.u, r.kind == vtObject ? classById(objectAt(r.u)->classId) : nullptr);
    };
    // The class of an instance value, from what is at hand for `this`.
    auto classOfInstance = [&](const TValue& v) {
        return self && v.u == selfOffset ? selfClass : classById(objectAt(v.u)->classId);
    };
    loadSelf();
    // Whether the running frame's caller passed argument i.
    auto passed = [&](int32_t i) { return uint32_t(i) < frame::get(fp, frame::kArgc); };
    // Argument i of the running frame, which was passed.
    auto argumentCell = [&](int32_t i) -> const TValue& {
        uint32_t argc = frame::get(fp, frame::kArgc);
        return *reinterpret_cast<const TValue*>(fp + 40 + 8 * (argc - 1 - uint32_t(i)));
    };

#define SAVE() (p->ip = ip, p->sp = sp, p->fp = fp, p->budget = budget)
#define W(off) (*reinterpret_cast<int32_t*>(ip + (off)))
#define TOP (*reinterpret_cast<TValue*>(sp))
#define SECOND (*reinterpret_cast<TValue*>(sp + 8))
#define SLOT(addr) (*reinterpret_cast<TValue*>(addr))
#define PUSH_WORD(word)                                                                            \
    do {                                                                                           \
        if (sp - 8 < stackLow) stackOverflow();                                                    \
        sp -= 8;                                                                                   \
        putWord(TOP, (word));                                                                      \
    } while (0)
#define PUSH(value)                                                                                \
    do {                                                                                           \
        if (sp - 8 < stackLow) stackOverflow();                                                    \
        sp -= 8;                                                                                   \
        TOP = (value);                                                                             \
    } while (0)
#define END_SLICE()                                                                                \
    do {                                                                                           \
        p->sliceUsed -= budget;                                                                    \
        budget = 0;                                                                                \
        SAVE();                                                                                    \
        return;                                                                                    \
    } while (0)

#if RAVOK_COMPUTED_GOTO
#define CASE(name) L_##name:
#define DISPATCH()                                                                                 \
    do {                                                                                           \
        if (__builtin_expect(--budget < 0, 0)) {                                                   \
            budget = 0;                                                                            \
            goto slice_spent;                                                                      \
        }                                                                                          \
        uint32_t op_ = *reinterpret_cast<uint32_t*>(ip);                                           \
        if (op_ >= kDispatchCount) goto bad_opcode;                                                \
        goto* labels[op_];                                                                         \
    } while (0)
#else
#define CASE(name)                                                                                 \
    case name:                                                                                     \
        L_##name : __attribute__((unused));
#define DISPATCH() goto dispatch
#endif
#define NEXT(len)                                                                                  \
    do {                                                                                           \
        ip += (len);                                                                               \
        DISPATCH();                                                                                \
    } while (0)

    // Enters a method with code: the frame record goes just below the
    // arguments, the locals below it. DCall and SCall keep 100 bytes free at the
    // bottom of the block; the other calls only have to stay inside it.
    // `sameSelf`: the receiver is the running frame's own instance, so what
    // is held for `this` stays as it is.
    // `receiverClass`, when known, is the class of the receiver, an instance.
    auto enter = [&](TNormalFunction * fn, uint32_t argc, uint32_t length, bool keepMargin,
                     bool sameSelf = false, TRTTI* receiverClass = nullptr)
        __attribute__((always_inline)) {
        uint8_t* receiverSlot = sp + 8 * argc;
        uint8_t* newFp = sp - 40;
        int32_t n = fn->localCount();
        uint8_t* newSp = newFp - 8 * (n - 1);
        if (keepMargin ? newSp - stackLow < 100 : std::min(newSp, newFp + 8) < stackLow)
            stackOverflow();
        if (!fn->code.codeStart())
            fatal(translate("Method") + fn->nameText() + translate(" has no code."));
        frame::put(newFp, frame::kMethod, fn->id());
        frame::put(newFp, frame::kReturn, arenaOffset(ip + length));
        frame::put(newFp, frame::kArgc, argc);
        frame::put(newFp, frame::kReceiver, arenaOffset(receiverSlot));
        frame::put(newFp, frame::kCallerFp, arenaOffset(fp)); // a call is made from a frame
        frame::put(newFp, frame::kPosClass, p->posClass);
        frame::put(newFp, frame::kPosLine, p->posLine);
        frame::put(newFp, frame::kPosExtra, p->posExtra);
        for (int32_t k = 0; k < n; ++k)
            SLOT(newFp - 8 * k) = TValue::null();
        p->thisSlot = receiverSlot;
        fp = newFp;
        if (sameSelf) {
        } else if (receiverClass) {
            uint32_t u = SLOT(receiverSlot).u;
            if (!self || u != selfOffset) holdSelf(u, receiverClass);
        } else {
            loadSelf();
        }
        sp = newSp;
        ip = fn->code.codePtr();
        if constexpr (kProfiling)
            TMethodProfile::instance().entered(p, fn->id(), arenaOffset(fp), budget);
    };

    try {
#if RAVOK_COMPUTED_GOTO
        static void* const labels[kDispatchCount] = {
#define OPCODE(num, name, len, text) &&L_##name,
#include "runtime/opcodes.def"
#undef OPCODE
#define SUPER(num, name, base, count, bytes) &&L_##name,
#include "runtime/superinstructions.def"
#undef SUPER
        };
        DISPATCH();
#else
    dispatch:
        if (budget <= 0) goto slice_spent;
        --budget;
        switch (*reinterpret_cast<uint32_t*>(ip)) {
        default:
            goto bad_opcode;
#endif

        CASE(Op_Pop) {
            releaseWord(wordOf(TOP));
            sp += 8;
            NEXT(4);
        }
        CASE(Op_Push) {
            TValue v;
            std::memcpy(&v, ip + 4, 8);
            PUSH(v);
            NEXT(12);
        }
        CASE(Op_PushString) {
            uint32_t area = uint32_t(W(4));
            if (sp - 8 < stackLow) stackOverflow();
            SAVE();
            // Allocation may reuse a record and run its destructor in a nested run.
            int32_t savedStepBudget = StepBudget;
            uint32_t s = makeString(literalOf(ip));
            StepBudget = savedStepBudget;
            ++objectAt(s)->refcount;
            PUSH(TValue::ofObject(s));
            NEXT(8 + area);
        }
        CASE(Op_PushThis) {
            uint64_t v = wordOf(SLOT(p->thisSlot));
            countWord(v);
            PUSH_WORD(v);
            NEXT(4);
        }
        CASE(Op_SMemberValPtr) {
            TValue obj = TOP;
            SAVE();
            TValue* cell = fieldByIndex(obj, W(4));
            TOP = TValue::ofRef(arenaOffset(cell));
            decrement(obj);
            NEXT(8);
        }
        CASE(Op_DMemberValPtr) {
            TValue obj = TOP;
            SAVE();
            TValue* cell = fieldByName(p, obj, uint32_t(W(4)), &W(8));
            TOP = TValue::ofRef(arenaOffset(cell));
            decrement(obj);
            NEXT(12);
        }
        CASE(Op_LocalValPtr) {
            PUSH(TValue::ofRef(arenaOffset(fp - 8 * W(4))));
            NEXT(8);
        }
        CASE(Op_ArgValPtr) {
            uint32_t argc = frame::get(fp, frame::kArgc);
            uint32_t i = uint32_t(W(4));
            TValue ref = i < argc ? TValue::ofRef(arenaOffset(fp + 40 + 8 * (argc - 1 - i)))
                                  : TValue::ofRef(arenaOffset(scratchSetTo(TValue::null())));
            PUSH(ref);
            NEXT(8);
        }
        CASE(Op_PushThis_SMemberValPtr) {
            int32_t index = W(8);
            TValue* cell;
            if (uint32_t(index) < uint32_t(selfFields)) {
                cell = &self->field(index);
            } else {
                SAVE();
                cell = fieldByIndex(SLOT(p->thisSlot), index);
            }
            PUSH(TValue::ofRef(arenaOffset(cell)));
            NEXT(12);
        }
        CASE(Op_PushThis_SMemberValPtr_Deref) {
            int32_t index = W(8);
            TValue v;
            // The common case (this is an instance, the index is in range) stays
            // inline; anything else goes through the checking path.
            if (uint32_t(index) < uint32_t(selfFields)) {
                v = self->field(index);
            } else {
                SAVE();
                v = *fieldByIndex(SLOT(p->thisSlot), index);
            }
            increment(v);
            PUSH(v);
            NEXT(16);
        }
        CASE(Op_DMemberValPtr_Deref) {
            TValue obj = TOP;
            SAVE();
            TValue* cell = fieldByName(p, obj, uint32_t(W(4)), &W(8));
            TValue v = cell == &scratchCell() ? TValue::ofError(0) : *cell;
            increment(v);
            TOP = v;
            decrement(obj);
            NEXT(16);
        }
        CASE(Op_LocalValPtr_Deref) {
            uint64_t v = wordOf(SLOT(fp - 8 * W(4)));
            countWord(v);
            PUSH_WORD(v);
            NEXT(12);
        }
        CASE(Op_ArgValPtr_Deref) {
            uint32_t argc = frame::get(fp, frame::kArgc);
            uint32_t i = uint32_t(W(4));
            uint64_t v = i < argc ? wordOf(SLOT(fp + 40 + 8 * (argc - 1 - i))) : 0;
            countWord(v);
            PUSH_WORD(v);
            NEXT(12);
        }
        CASE(Op_Push_Deref) {
            TValue v;
            std::memcpy(&v, ip + 4, 8);
            if (v.kind == vtRef) {
                v = *cellAt(v.u);
                increment(v);
            }
            PUSH(v);
            NEXT(16);
        }
        // The calls take the method straight from the receiver's class when
        // it is there and has code (for DCall: at the position its cache word
        // remembers); everything else, with its warnings and errors, goes
        // through the resolving functions.
        CASE(Op_DCall) {
            uint32_t argc = uint32_t(W(4));
            const TValue& receiver = SLOT(sp + 8 * argc);
            TNormalFunction* fn = nullptr;
            TRTTI* cls = nullptr;
            if (receiver.kind == vtObject) {
                cls = classOfInstance(receiver);
                uint32_t cached = uint32_t(W(12));
                if (cls && cached < cls->methods.size()) {
                    TFunction* f = cls->methods[cached];
                    if (f->name == uint32_t(W(8)) && f->hasCode())
                        fn = static_cast<TNormalFunction*>(f);
                }
            }
            if (!fn) {
                SAVE();
                fn = resolveDynamicCall(p, receiver, uint32_t(W(8)), &W(12));
                cls = nullptr; // the method may be _errorHook on a value that is no instance
            }
            enter(fn, argc, 16, true, false, cls);
            DISPATCH();
        }
        CASE(Op_SCall) {
            uint32_t argc = uint32_t(W(4));
            const TValue& receiver = SLOT(sp + 8 * argc);
            TNormalFunction* fn = nullptr;
            TRTTI* cls = nullptr;
            if (receiver.kind == vtObject) {
                cls = classOfInstance(receiver);
                TFunction* f = cls ? cls->methodByIndex(W(8)) : nullptr;
                if (f && f->hasCode()) fn = static_cast<TNormalFunction*>(f);
            }
            if (!fn) {
                SAVE();
                fn = resolveStaticCall(receiver, W(8));
            }
            enter(fn, argc, 12, true, false, cls);
            DISPATCH();
        }
        CASE(Op_SuperCall) {
            uint32_t argc = uint32_t(W(4));
            TFunction* fn = functionById(uint32_t(W(8)));
            SAVE();
            if (!fn)
                fatal(translate("Method") + "#" + std::to_string(W(8)) +
                      translate(" is not defined."));
            enter(codeOf(fn, fn->name), argc, 12, false);
            DISPATCH();
        }
        CASE(Op_NativeCall) {
            uint32_t argc = uint32_t(W(4));
            TFunction* fn = functionById(uint32_t(W(8)));
            if (!fn || fn->hasCode()) fatal(translate("native Method is not implemented."));
            uint8_t* receiverSlot = sp + 8 * argc;
            // The arguments stay on the stack while the routine runs, so that a
            // failure inside it releases them with the rest of the stack.
            SAVE();
            static_cast<TNativeFunction*>(fn)->routine(&SLOT(receiverSlot), int(argc), 0);
            if (p->released) return; // the routine killed its own process
            budget = p->budget;
            releaseArguments(receiverSlot, argc);
            sp = receiverSlot;
            NEXT(12);
        }
        CASE(Op_Constructor) {
            uint32_t argc = uint32_t(W(4));
            TRTTI* cls = classById(uint32_t(W(8)));
            SAVE();
            if (!cls)
                fatal(translate("Class") + "#" + std::to_string(W(8)) +
                      translate(" does not exist."));
            int32_t savedStepBudget = StepBudget;
            uint32_t instance = allocateInstance(cls);
            StepBudget = savedStepBudget;
            uint8_t* receiverSlot = sp + 8 * argc;
            objectAt(instance)->refcount = 1;
            SLOT(receiverSlot) = TValue::ofObject(instance);
            TConstructor* ctor = cls->constructor();
            if (ctor && ctor->code.codeStart()) {
                enter(ctor, argc, 12, false);
                DISPATCH();
            }
            // No constructor: the new instance is the result, the arguments go.
            releaseArguments(receiverSlot, argc);
            sp = receiverSlot;
            NEXT(12);
        }
        CASE(Op_Add) CASE(Op_Sub) CASE(Op_Mul) CASE(Op_Div) CASE(Op_Mod) {
            TValue& l = SECOND;
            TValue& r = TOP;
            // An Add or Sub may carry a superinstruction's mark.
            uint32_t op = storedOpcode(*reinterpret_cast<uint32_t*>(ip));
            if (l.kind == vtInt && r.kind == vtInt && op <= Op_Mul) {
                uint32_t a = uint32_t(l.i), b = uint32_t(r.i);
                l.i = int32_t(op == Op_Add ? a + b : op == Op_Sub ? a - b : a * b);
            } else if (op == Op_Add && l.kind == vtObject && budget >= 1 &&
                       *reinterpret_cast<uint32_t*>(ip + 4) == Op_Subst &&
                       SLOT(sp + 16).kind == vtRef && cellAt(SLOT(sp + 16).u)->kind == vtObject &&
                       cellAt(SLOT(sp + 16).u)->u == l.u) {
                // `x = x + y`: the sum goes straight back to x. The assignment
                // runs in this same slice (budget is left for it), so no other
                // process can see x change before it is assigned.
                SAVE();
                addIntoAssigned(l, r);
            } else {
                SAVE();
                binaryArithmetic(op, l, r);
            }
            sp += 8;
            NEXT(4);
        }
        // One body per relation, so that the relation needs no second dispatch.
#define COMPARISON(opcode, relation)                                                               \
    CASE(opcode) {                                                                                 \
        TValue l = SECOND, r = TOP;                                                                \
        float d = l.kind == vtInt && r.kind == vtInt ? float(int64_t(l.i) - int64_t(r.i))          \
                                                     : compare(l, r);                              \
        sp += 8;                                                                                   \
        TOP = TValue::ofFloat(d relation 0 ? 1.0f : 0.0f);                                         \
        if (l.kind == vtObject || r.kind == vtObject) {                                            \
            SAVE();                                                                                \
            decrement(l);                                                                          \
            decrement(r);                                                                          \
        }                                                                                          \
        NEXT(4);                                                                                   \
    }
        COMPARISON(Op_GT, >)
        COMPARISON(Op_GTE, >=)
        COMPARISON(Op_LT, <)
        COMPARISON(Op_LTE, <=)
        COMPARISON(Op_EQ, ==)
        COMPARISON(Op_NEQ, !=)
#undef COMPARISON
        CASE(Op_And) CASE(Op_Or) { NEXT(4); }
        CASE(Op_Is) {
            TValue v = TOP;
            TRTTI* cls = classById(uint32_t(W(4)));
            bool is = v.kind == vtObject && cls && classOf(v) && classOf(v)->inherits(cls);
            TOP = TValue::ofInt(is ? 1 : 0);
            SAVE();
            decrement(v);
            NEXT(8);
        }
        CASE(Op_Not) {
            TValue v = TOP;
            TOP = TValue::ofInt(truthiness(v) ? 0 : 1);
            SAVE();
            decrement(v);
            NEXT(4);
        }
        CASE(Op_Neg) {
            if (TOP.kind == vtInt)
                TOP.i = int32_t(0u - uint32_t(TOP.i));
            else if (TOP.kind == vtFloat)
                TOP.f = -TOP.f;
            NEXT(4);
        }
        CASE(Op_Subst) {
            TValue ref = SECOND;
            TValue v = TOP;
            SAVE();
            if (ref.kind != vtRef) fatal(translate("Cannot assign to ") + valueToText(ref));
            TValue& target = *cellAt(ref.u);
            TValue old = target;
            increment(v);
            target = v;
            SECOND = v;
            sp += 8;
            decrement(old);
            NEXT(4);
        }
        CASE(Op_AddSubst) CASE(Op_SubSubst) {
            TValue ref = SECOND;
            if (ref.kind != vtRef) {
                SAVE();
                fatal(translate("Cannot assign to ") + valueToText(ref));
            }
            TValue v = TOP;
            TOP = TValue::null();
            sp += 8;
            TValue& target = *cellAt(ref.u);
            bool add = *reinterpret_cast<uint32_t*>(ip) == Op_AddSubst;
            if (target.kind == vtInt && v.kind == vtInt) {
                uint32_t a = uint32_t(target.i), b = uint32_t(v.i);
                target.i = int32_t(add ? a + b : a - b);
            } else {
                SAVE();
                updateArithmetic(add, target, v);
            }
            NEXT(4);
        }
        CASE(Op_Deref) {
            if (TOP.kind == vtRef) {
                TOP = *cellAt(TOP.u);
                increment(TOP);
            }
            NEXT(4);
        }
        CASE(Op_Jump) {
            ip += W(4);
            DISPATCH();
        }
        CASE(Op_JumpZero) {
            TValue v = TOP;
            sp += 8;
            bool truth;
            if (v.kind == vtFloat)
                truth = v.f != 0.0f && v.f == v.f; // NaN is false
            else if (v.kind == vtInt)
                truth = v.i != 0;
            else {
                truth = truthiness(v);
                if (v.kind == vtObject) {
                    SAVE();
                    decrement(v);
                }
            }
            if (truth) NEXT(8);
            ip += W(4);
            DISPATCH();
        }
        CASE(Op_Jump_And) {
            if (truthiness(TOP)) {
                TValue v = TOP;
                sp += 8;
                SAVE();
                decrement(v);
                NEXT(8);
            }
            ip += W(4);
            DISPATCH();
        }
        CASE(Op_Jump_Or) {
            if (truthiness(TOP)) {
                ip += W(4);
                DISPATCH();
            }
            TValue v = TOP;
            sp += 8;
            SAVE();
            decrement(v);
            NEXT(8);
        }
        CASE(Op_Ret) {
            uint64_t result = sp <= fp ? wordOf(TOP) : 0;
            SAVE();
            // Only counted values need their slot cleared before the count
            // drops (so that a failure never releases one twice).
            for (uint8_t* q = sp + 8; q <= fp; q += 8) {
                uint64_t v = wordOf(SLOT(q));
                if (!isObjectWord(v)) continue;
                putWord(SLOT(q), 0);
                releaseWord(v);
            }
            uint32_t argc = frame::get(fp, frame::kArgc);
            uint8_t* receiverSlot = arenaPtr<uint8_t>(frame::get(fp, frame::kReceiver));
            uint32_t caller = frame::get(fp, frame::kCallerFp);
            uint32_t returnTo = frame::get(fp, frame::kReturn);
            if constexpr (kProfiling)
                TMethodProfile::instance().returning(p, arenaOffset(fp), budget);
            sp = receiverSlot;
            uint64_t receiver = wordOf(SLOT(receiverSlot));
            putWord(SLOT(receiverSlot), result);
            releaseWord(receiver);
            releaseArguments(receiverSlot, argc);
            if (caller == 0) {
                fp = nullptr;
                p->result = &SLOT(receiverSlot);
                p->finished = 1;
                END_SLICE();
            }
            fp = arenaPtr<uint8_t>(caller);
            p->thisSlot = arenaPtr<uint8_t>(frame::get(fp, frame::kReceiver));
            loadSelf();
            ip = arenaPtr<uint8_t>(returnTo);
            DISPATCH();
        }
        CASE(Op_InitForIn) {
            const TValue array = TOP;
            TRTTI* cls = array.kind == vtObject ? classOf(array) : nullptr;
            if (!cls || !gCore.array || !cls->inherits(gCore.array) || gCore.arrayList < 0) {
                SAVE();
                fatal(translate("\"Cannot apply \"\"for in ..\"\" to non-Array Value.\""));
            }
            TValue list = objectAt(array.u)->field(gCore.arrayList);
            if (list.kind == vtObject) list = TValue::null(); // only the host list is read
            PUSH(list);
            PUSH(TValue::ofInt(0));
            NEXT(4);
        }
        CASE(Op_DoForIn) {
            int32_t i = TOP.kind == vtInt ? TOP.i : toInt(TOP);
            SAVE();
            TValueList* list = forInList(SLOT(sp + 8));
            if (i < 0 || i >= list->count()) {
                ip += W(4);
                DISPATCH();
            }
            const TValue& loopVar = SLOT(sp + 24);
            if (loopVar.kind != vtRef) fatal(translate("Cannot assign to ") + valueToText(loopVar));
            assign(*cellAt(loopVar.u), list->cell(i));
            TOP = TValue::ofInt(i + 1);
            NEXT(8);
        }
        CASE(Op_ClearForIn) {
            TValue array = SLOT(sp + 16), fourth = SLOT(sp + 24);
            sp += 32;
            SAVE();
            decrement(array);
            decrement(fourth);
            NEXT(4);
        }
        CASE(Op_Point) {
            p->posClass = uint32_t(W(4));
            p->posLine = uint32_t(W(8));
            p->posExtra = uint32_t(W(12));
            NEXT(16);
        }
        CASE(Op_Halt) {
            p->finished = 1;
            END_SLICE();
        }

        // Superinstructions. Each takes its whole sequence only on the common
        // case (ints, an in-range field, room for the pushes it saves, budget
        // for every instruction it stands for); anything else runs the
        // sequence's first instruction and leaves the rest to their own
        // bodies, so the result, the errors and where a slice ends are those of
        // the plain sequence. A pushed constant is read in place, as its kind
        // byte and its payload word: copied out whole it went through memory.
#define RELATION_JUMP(name, base, relation)                                                        \
    CASE(name) {                                                                                   \
        const TValue& l = SECOND;                                                                  \
        const TValue& r = TOP;                                                                     \
        if (budget < 1 || l.kind != vtInt || r.kind != vtInt) goto L_##base;                       \
        budget -= 1;                                                                               \
        bool holds = int64_t(l.i) - int64_t(r.i) relation 0;                                       \
        sp += 16;                                                                                  \
        if (holds) NEXT(12);                                                                       \
        ip += 4 + W(8);                                                                            \
        DISPATCH();                                                                                \
    }
        RELATION_JUMP(Sx_GT_JumpZero, Op_GT, >)
        RELATION_JUMP(Sx_GTE_JumpZero, Op_GTE, >=)
        RELATION_JUMP(Sx_LT_JumpZero, Op_LT, <)
        RELATION_JUMP(Sx_LTE_JumpZero, Op_LTE, <=)
        RELATION_JUMP(Sx_EQ_JumpZero, Op_EQ, ==)
        RELATION_JUMP(Sx_NEQ_JumpZero, Op_NEQ, !=)
#undef RELATION_JUMP
        // `cell` is the variable read, `pushAt` where the constant's value sits,
        // `jumpAt` where the JumpZero is and `length` the whole sequence.
#define CONSTANT_RELATION_JUMP(name, base, cellExpr, valid, pushAt, jumpAt, length, relation)      \
    CASE(name) {                                                                                   \
        if (budget < 3 || !(valid) || ip[(pushAt) + 4] != vtInt || sp - 16 < stackLow)             \
            goto L_##base;                                                                         \
        const TValue& v = cellExpr;                                                                \
        if (v.kind != vtInt) goto L_##base;                                                        \
        budget -= 3;                                                                               \
        if (int64_t(v.i) - int64_t(W((pushAt) + 8)) relation 0) NEXT(length);                      \
        ip += (jumpAt) + W((jumpAt) + 4);                                                          \
        DISPATCH();                                                                                \
    }
#define FIELD_RELATION_JUMP(name, relation)                                                        \
    CONSTANT_RELATION_JUMP(name, Op_PushThis_SMemberValPtr_Deref, self->field(W(8)),               \
                           uint32_t(W(8)) < uint32_t(selfFields), 16, 32, 40, relation)
#define LOCAL_RELATION_JUMP(name, relation)                                                        \
    CONSTANT_RELATION_JUMP(name, Op_LocalValPtr_Deref, SLOT(fp - 8 * W(4)), true, 12, 28, 36,      \
                           relation)
// An argument the caller did not pass reads as null, which is not an int.
#define ARG_RELATION_JUMP(name, relation)                                                          \
    CONSTANT_RELATION_JUMP(name, Op_ArgValPtr_Deref, argumentCell(W(4)), passed(W(4)), 12, 28, 36, \
                           relation)
        FIELD_RELATION_JUMP(Sx_Field_GT_JumpZero, >)
        FIELD_RELATION_JUMP(Sx_Field_GTE_JumpZero, >=)
        FIELD_RELATION_JUMP(Sx_Field_LT_JumpZero, <)
        FIELD_RELATION_JUMP(Sx_Field_LTE_JumpZero, <=)
        FIELD_RELATION_JUMP(Sx_Field_EQ_JumpZero, ==)
        FIELD_RELATION_JUMP(Sx_Field_NEQ_JumpZero, !=)
        LOCAL_RELATION_JUMP(Sx_Local_GT_JumpZero, >)
        LOCAL_RELATION_JUMP(Sx_Local_GTE_JumpZero, >=)
        LOCAL_RELATION_JUMP(Sx_Local_LT_JumpZero, <)
        LOCAL_RELATION_JUMP(Sx_Local_LTE_JumpZero, <=)
        LOCAL_RELATION_JUMP(Sx_Local_EQ_JumpZero, ==)
        LOCAL_RELATION_JUMP(Sx_Local_NEQ_JumpZero, !=)
        ARG_RELATION_JUMP(Sx_Arg_GT_JumpZero, >)
        ARG_RELATION_JUMP(Sx_Arg_GTE_JumpZero, >=)
        ARG_RELATION_JUMP(Sx_Arg_LT_JumpZero, <)
        ARG_RELATION_JUMP(Sx_Arg_LTE_JumpZero, <=)
        ARG_RELATION_JUMP(Sx_Arg_EQ_JumpZero, ==)
        ARG_RELATION_JUMP(Sx_Arg_NEQ_JumpZero, !=)
#undef ARG_RELATION_JUMP
#undef LOCAL_RELATION_JUMP
#undef FIELD_RELATION_JUMP
#undef CONSTANT_RELATION_JUMP
#define CONSTANT_UPDATE(name, base, cellExpr, valid, pushAt, length, operation)                    \
    CASE(name) {                                                                                   \
        if (budget < 3 || !(valid) || ip[(pushAt) + 4] != vtInt || sp - 16 < stackLow)             \
            goto L_##base;                                                                         \
        TValue& v = cellExpr;                                                                      \
        if (v.kind != vtInt) goto L_##base;                                                        \
        budget -= 3;                                                                               \
        v.i = int32_t(uint32_t(v.i) operation uint32_t(W((pushAt) + 8)));                          \
        NEXT(length);                                                                              \
    }
        CONSTANT_UPDATE(Sx_Field_AddSubst_Pop, Op_PushThis_SMemberValPtr, self->field(W(8)),
                        uint32_t(W(8)) < uint32_t(selfFields), 12, 32, +)
        CONSTANT_UPDATE(Sx_Field_SubSubst_Pop, Op_PushThis_SMemberValPtr, self->field(W(8)),
                        uint32_t(W(8)) < uint32_t(selfFields), 12, 32, -)
        CONSTANT_UPDATE(Sx_Local_AddSubst_Pop, Op_LocalValPtr, SLOT(fp - 8 * W(4)), true, 8, 28, +)
        CONSTANT_UPDATE(Sx_Local_SubSubst_Pop, Op_LocalValPtr, SLOT(fp - 8 * W(4)), true, 8, 28, -)
#undef CONSTANT_UPDATE
        // The same for a local, then the Jump after it (its offset counts
        // from the Jump).
#define LOCAL_UPDATE_JUMP(name, operation)                                                         \
    CASE(name) {                                                                                   \
        if (budget < 4 || ip[12] != vtInt || sp - 16 < stackLow) goto L_Op_LocalValPtr;            \
        TValue& v = SLOT(fp - 8 * W(4));                                                           \
        if (v.kind != vtInt) goto L_Op_LocalValPtr;                                                \
        budget -= 4;                                                                               \
        v.i = int32_t(uint32_t(v.i) operation uint32_t(W(16)));                                    \
        ip += 28 + W(32);                                                                          \
        DISPATCH();                                                                                \
    }
        LOCAL_UPDATE_JUMP(Sx_Local_AddSubst_Pop_Jump, +)
        LOCAL_UPDATE_JUMP(Sx_Local_SubSubst_Pop_Jump, -)
#undef LOCAL_UPDATE_JUMP

        // The update of a variable by a constant, then the variable compared
        // with a constant and branched on: all ints, else the update's own
        // superinstruction and the plain instructions take it. The constants
        // are read in place, as kind byte and payload word.
#define UPDATE_RELATION_JUMP(name, single, cellExpr, valid, pushAt, testAt, length, operation,     \
                             relation)                                                             \
    CASE(name) {                                                                                   \
        if (budget < 7 || !(valid) || ip[(pushAt) + 4] != vtInt || ip[(testAt) + 4] != vtInt ||    \
            sp - 16 < stackLow)                                                                    \
            goto L_##single;                                                                       \
        TValue& v = cellExpr;                                                                      \
        if (v.kind != vtInt) goto L_##single;                                                      \
        budget -= 7;                                                                               \
        v.i = int32_t(uint32_t(v.i) operation uint32_t(W((pushAt) + 8)));                          \
        if (int64_t(v.i) - int64_t(W((testAt) + 8)) relation 0) NEXT(length);                      \
        ip += (length)-8 + W((length)-4);                                                          \
        DISPATCH();                                                                                \
    }
#define LOCAL_UPDATE_RELATION_JUMP(update, single, operation, r, relation)                         \
    UPDATE_RELATION_JUMP(Sx_Local_##update##_##r##_JumpZero, single, SLOT(fp - 8 * W(4)), true, 8, \
                         40, 64, operation, relation)
#define FIELD_UPDATE_RELATION_JUMP(update, single, operation, r, relation)                         \
    UPDATE_RELATION_JUMP(Sx_Field_##update##_##r##_JumpZero, single, self->field(W(8)),            \
                         uint32_t(W(8)) < uint32_t(selfFields), 12, 48, 72, operation, relation)
#define UPDATE_RELATIONS(each, update, single, operation)                                          \
    each(update, single, operation, GT, >) each(update, single, operation, GTE, >=)                \
        each(update, single, operation, LT, <) each(update, single, operation, LTE, <=)            \
            each(update, single, operation, EQ, ==) each(update, single, operation, NEQ, !=)
        UPDATE_RELATIONS(LOCAL_UPDATE_RELATION_JUMP, AddSubst, Sx_Local_AddSubst_Pop, +)
        UPDATE_RELATIONS(LOCAL_UPDATE_RELATION_JUMP, SubSubst, Sx_Local_SubSubst_Pop, -)
        UPDATE_RELATIONS(FIELD_UPDATE_RELATION_JUMP, AddSubst, Sx_Field_AddSubst_Pop, +)
        UPDATE_RELATIONS(FIELD_UPDATE_RELATION_JUMP, SubSubst, Sx_Field_SubSubst_Pop, -)

        // A loop's update of a local by a constant and its jump back, then the
        // loop's test where the jump goes, of the same local against a
        // constant, all ints: the loop's next turn
        // starts or the loop ends without the test's dispatch. Anything else,
        // or too little budget for the test, leaves the test to itself.
#define LOCAL_LOOP_BACK(update, single, operation, r, relation)                                    \
    CASE(Sx_Local_##update##_Loop_##r) {                                                           \
        if (budget < 8 || ip[12] != vtInt || sp - 16 < stackLow) goto L_##single;                  \
        TValue& v = SLOT(fp - 8 * W(4));                                                           \
        uint8_t* test = ip + 28 + W(32);                                                           \
        if (v.kind != vtInt || test[16] != vtInt) goto L_##single;                                 \
        budget -= 8;                                                                               \
        v.i = int32_t(uint32_t(v.i) operation uint32_t(W(16)));                                    \
        int32_t bound;                                                                             \
        std::memcpy(&bound, test + 20, sizeof bound);                                              \
        if (int64_t(v.i) - int64_t(bound) relation 0) {                                            \
            ip = test + 36;                                                                        \
        } else {                                                                                   \
            int32_t out;                                                                           \
            std::memcpy(&out, test + 32, sizeof out);                                              \
            ip = test + 28 + out;                                                                  \
        }                                                                                          \
        DISPATCH();                                                                                \
    }
        UPDATE_RELATIONS(LOCAL_LOOP_BACK, AddSubst, Sx_Local_AddSubst_Pop_Jump, +)
        UPDATE_RELATIONS(LOCAL_LOOP_BACK, SubSubst, Sx_Local_SubSubst_Pop_Jump, -)
#undef LOCAL_LOOP_BACK
#undef UPDATE_RELATIONS
#undef FIELD_UPDATE_RELATION_JUMP
#undef LOCAL_UPDATE_RELATION_JUMP
#undef UPDATE_RELATION_JUMP

        // A variable plus or minus a constant, both ints, pushed: with the
        // plain Add's wrap-around.
#define CONSTANT_SUM(name, base, cellExpr, valid, operation)                                       \
    CASE(name) {                                                                                   \
        if (budget < 2 || !(valid) || ip[16] != vtInt || sp - 16 < stackLow) goto L_##base;        \
        const TValue& v = cellExpr;                                                                \
        if (v.kind != vtInt) goto L_##base;                                                        \
        budget -= 2;                                                                               \
        sp -= 8;                                                                                   \
        TOP = TValue::ofInt(int32_t(uint32_t(v.i) operation uint32_t(W(20))));                     \
        NEXT(28);                                                                                  \
    }
        CONSTANT_SUM(Sx_Arg_Add, Op_ArgValPtr_Deref, argumentCell(W(4)), passed(W(4)), +)
        CONSTANT_SUM(Sx_Arg_Sub, Op_ArgValPtr_Deref, argumentCell(W(4)), passed(W(4)), -)
        CONSTANT_SUM(Sx_Local_Add, Op_LocalValPtr_Deref, SLOT(fp - 8 * W(4)), true, +)
        CONSTANT_SUM(Sx_Local_Sub, Op_LocalValPtr_Deref, SLOT(fp - 8 * W(4)), true, -)
#undef CONSTANT_SUM
        // target += source (or -=) for two ints, the target popped: `x += vx;`.
#define VARIABLE_UPDATE(name, base, targetExpr, sourceExpr, valid, length, operation)              \
    CASE(name) {                                                                                   \
        if (budget < 3 || !(valid) || sp - 16 < stackLow) goto L_##base;                           \
        TValue& target = targetExpr;                                                               \
        const TValue& source = sourceExpr;                                                         \
        if (target.kind != vtInt || source.kind != vtInt) goto L_##base;                           \
        budget -= 3;                                                                               \
        target.i = int32_t(uint32_t(target.i) operation uint32_t(source.i));                       \
        NEXT(length);                                                                              \
    }
#define FIELDS_VALID                                                                               \
    (uint32_t(W(8)) < uint32_t(selfFields) && uint32_t(W(20)) < uint32_t(selfFields))
        VARIABLE_UPDATE(Sx_Field_AddSubst_Field_Pop, Op_PushThis_SMemberValPtr, self->field(W(8)),
                        self->field(W(20)), FIELDS_VALID, 36, +)
        VARIABLE_UPDATE(Sx_Field_SubSubst_Field_Pop, Op_PushThis_SMemberValPtr, self->field(W(8)),
                        self->field(W(20)), FIELDS_VALID, 36, -)
#undef FIELDS_VALID
        VARIABLE_UPDATE(Sx_Local_AddSubst_Local_Pop, Op_LocalValPtr, SLOT(fp - 8 * W(4)),
                        SLOT(fp - 8 * W(12)), true, 28, +)
        VARIABLE_UPDATE(Sx_Local_SubSubst_Local_Pop, Op_LocalValPtr, SLOT(fp - 8 * W(4)),
                        SLOT(fp - 8 * W(12)), true, 28, -)
#undef VARIABLE_UPDATE
        // this.a = argument k; popped. The old value is released here unless
        // that may free it: then the plain instructions do it.
        CASE(Sx_Field_Subst_Arg_Pop) {
            if (budget < 3 || uint32_t(W(8)) >= uint32_t(selfFields) || !passed(W(16)) ||
                sp - 16 < stackLow)
                goto L_Op_PushThis_SMemberValPtr;
            TValue& target = self->field(W(8));
            if (target.kind == vtObject && objectAt(target.u)->refcount <= 1)
                goto L_Op_PushThis_SMemberValPtr;
            budget -= 3;
            TValue v = argumentCell(W(16)), old = target;
            increment(v);
            target = v;
            if (old.kind == vtObject) --objectAt(old.u)->refcount;
            NEXT(32);
        }
        // The pushes of a native wrapper's call, then the NativeCall body.
#define PUSH_FOR_NATIVE(name, args, nativeAt)                                                      \
    CASE(name) {                                                                                   \
        if (budget < (args) + 2 || uint32_t(W(12)) >= uint32_t(selfFields) || !passed(W(24)) ||    \
            ((args) == 2 && !passed(W(36))) || sp - 8 * ((args) + 2) < stackLow)                   \
            goto L_Op_PushThis;                                                                    \
        budget -= (args) + 2;                                                                      \
        uint64_t values[4] = {wordOf(SLOT(p->thisSlot)), wordOf(self->field(W(12))),               \
                              wordOf(argumentCell(W(24))),                                         \
                              (args) == 2 ? wordOf(argumentCell(W(36))) : 0};                      \
        for (int k = 0; k < (args) + 2; ++k) {                                                     \
            countWord(values[k]);                                                                  \
            sp -= 8;                                                                               \
            putWord(TOP, values[k]);                                                               \
        }                                                                                          \
        ip += (nativeAt);                                                                          \
        goto L_Op_NativeCall;                                                                      \
    }
        PUSH_FOR_NATIVE(Sx_This_Field_Arg_NativeCall, 1, 32)
        PUSH_FOR_NATIVE(Sx_This_Field_Arg_Arg_NativeCall, 2, 44)
#undef PUSH_FOR_NATIVE
        // Pop, then `return this;` through the Ret body. The popped value is
        // released here unless that may free it.
        CASE(Sx_Pop_PushThis_Ret) {
            if (budget < 2 || (TOP.kind == vtObject && objectAt(TOP.u)->refcount <= 1))
                goto L_Op_Pop;
            budget -= 2;
            if (TOP.kind == vtObject) --objectAt(TOP.u)->refcount;
            TOP = SLOT(p->thisSlot);
            increment(TOP);
            ip += 8;
            goto L_Op_Ret;
        }
        // `s = s + "text"` with s's string held by s and the stack alone: the
        // literal's bytes join the string's own, then the Subst body assigns
        // it back. Budget is left for the Add and the Subst, so no other
        // process sees s before the assignment, as in the plain instructions.
        CASE(Sx_PushString_Add_Subst) {
            TValue& left = TOP;
            const TValue& ref = SECOND;
            if (budget < 2 || sp - 8 < stackLow || left.kind != vtObject || ref.kind != vtRef ||
                cellAt(ref.u)->kind != vtObject || cellAt(ref.u)->u != left.u)
                goto L_Op_PushString;
            uint32_t area = uint32_t(W(4));
            std::string_view literal = literalOf(ip);
            if (!appendTextWithinCapacity(left, literal, 2)) {
                SAVE();
                if (!appendTextIntoAssigned(left, literal)) goto L_Op_PushString;
            }
            budget -= 1;
            NEXT(8 + area + 4);
        }

        // A variable, or the sum of two ints, pushed and returned through the
        // Ret body, with budget left for the Ret.
        CASE(Sx_Arg_Ret) {
            if (budget < 1 || sp - 8 < stackLow) goto L_Op_ArgValPtr_Deref;
            budget -= 1;
            uint64_t v = passed(W(4)) ? wordOf(argumentCell(W(4))) : 0;
            countWord(v);
            sp -= 8;
            putWord(TOP, v);
            ip += 12;
            goto L_Op_Ret;
        }
        CASE(Sx_Local_Ret) {
            if (budget < 1 || sp - 8 < stackLow) goto L_Op_LocalValPtr_Deref;
            budget -= 1;
            uint64_t v = wordOf(SLOT(fp - 8 * W(4)));
            countWord(v);
            sp -= 8;
            putWord(TOP, v);
            ip += 12;
            goto L_Op_Ret;
        }
#define SUM_RETURN(name, operation)                                                                \
    CASE(name) {                                                                                   \
        TValue& l = SECOND;                                                                        \
        const TValue& r = TOP;                                                                     \
        if (budget < 1 || l.kind != vtInt || r.kind != vtInt) goto L_Op_Add;                       \
        budget -= 1;                                                                               \
        l.i = int32_t(uint32_t(l.i) operation uint32_t(r.i));                                      \
        sp += 8;                                                                                   \
        ip += 4;                                                                                   \
        goto L_Op_Ret;                                                                             \
    }
        SUM_RETURN(Sx_Add_Ret, +)
        SUM_RETURN(Sx_Sub_Ret, -)
#undef SUM_RETURN
        // `this`, then one argument: a variable (`cellExpr`, read when
        // `valid`), or that variable plus or minus a constant int; then the
        // SCall body. The peak of the plain pushes must fit, and budget must
        // be left for every instruction up to the SCall.
#define SELF_CALL(name, cellExpr, valid, count, callAt, sum)                                       \
    CASE(name) {                                                                                   \
        if (budget < (count)-1 || !self || !(valid) || sp - 8 * ((count) == 3 ? 2 : 3) < stackLow) \
            goto L_Op_PushThis;                                                                    \
        uint64_t v = wordOf(cellExpr);                                                             \
        if ((count) == 5) {                                                                        \
            if (uint8_t(v) != vtInt || ip[20] != vtInt) goto L_Op_PushThis;                        \
            v = wordOf(TValue::ofInt(int32_t(sum(uint32_t(v >> 32), uint32_t(W(24))))));           \
        }                                                                                          \
        budget -= (count)-1;                                                                       \
        /* `this` is the instance held for the frame */                                            \
        ++self->refcount;                                                                          \
        countWord(v);                                                                              \
        SLOT(sp - 8) = TValue::ofObject(selfOffset);                                               \
        putWord(SLOT(sp - 16), v);                                                                 \
        sp -= 16;                                                                                  \
        ip += (callAt);                                                                            \
        /* its class is at hand, so its method is entered at once */                               \
        TFunction* f = selfClass->methodByIndex(W(8));                                             \
        if (!f || !f->hasCode()) goto L_Op_SCall;                                                  \
        enter(static_cast<TNormalFunction*>(f), 1, 12, true, true);                                \
        DISPATCH();                                                                                \
    }
#define AS_IS(a, b) (a)
#define PLUS(a, b) ((a) + (b))
#define MINUS(a, b) ((a) - (b))
        SELF_CALL(Sx_This_Arg_SCall, argumentCell(W(8)), passed(W(8)), 3, 16, AS_IS)
        SELF_CALL(Sx_This_Local_SCall, SLOT(fp - 8 * W(8)), true, 3, 16, AS_IS)
        SELF_CALL(Sx_This_ArgAdd_SCall, argumentCell(W(8)), passed(W(8)), 5, 32, PLUS)
        SELF_CALL(Sx_This_ArgSub_SCall, argumentCell(W(8)), passed(W(8)), 5, 32, MINUS)
        SELF_CALL(Sx_This_LocalAdd_SCall, SLOT(fp - 8 * W(8)), true, 5, 32, PLUS)
        SELF_CALL(Sx_This_LocalSub_SCall, SLOT(fp - 8 * W(8)), true, 5, 32, MINUS)
#undef AS_IS
#undef PLUS
#undef MINUS
#undef SELF_CALL
        // A local object, then nothing, another local or a constant (never
        // counted), then the DCall body.
#define LOCAL_CALL(name, args, second)                                                             \
    CASE(name) {                                                                                   \
        if (budget < (args) + 1 || sp - 8 * ((args) + 1) < stackLow) goto L_Op_LocalValPtr_Deref;  \
        budget -= (args) + 1;                                                                      \
        uint64_t object = wordOf(SLOT(fp - 8 * W(4)));                                             \
        countWord(object);                                                                         \
        putWord(SLOT(sp - 8), object);                                                             \
        sp -= 8;                                                                                   \
        if ((args) == 1) {                                                                         \
            uint64_t v = wordOf(second);                                                           \
            countWord(v);                                                                          \
            putWord(SLOT(sp - 8), v);                                                              \
            sp -= 8;                                                                               \
        }                                                                                          \
        ip += 12 * ((args) + 1);                                                                   \
        goto L_Op_DCall;                                                                           \
    }
        LOCAL_CALL(Sx_Local_DCall, 0, TValue::null())
        LOCAL_CALL(Sx_Local_Local_DCall, 1, SLOT(fp - 8 * W(16)))
        LOCAL_CALL(Sx_Local_Push_DCall, 1, SLOT(ip + 16))
#undef LOCAL_CALL

        // `s = s + "text";` for a local s whose string s alone holds: the
        // literal's bytes join it in place, as the plain instructions would
        // join them, with budget left for all six, so no other process sees s
        // in between.
        CASE(Sx_Local_Append_Literal) {
            const TValue& s = SLOT(fp - 8 * W(4));
            if (budget < 5 || sp - 24 < stackLow || s.kind != vtObject) goto L_Op_LocalValPtr;
            uint32_t area = uint32_t(W(24));
            std::string_view literal = literalOf(ip + 20);
            if (!appendTextWithinCapacity(s, literal, 1)) {
                SAVE();
                if (!appendTextToOnlyHolder(s, literal)) goto L_Op_LocalValPtr;
            }
            budget -= 5;
            NEXT(40 + area);
        }
#if !RAVOK_COMPUTED_GOTO
    }
#endif
slice_spent:
    SAVE();
    return;
bad_opcode:
    if (*reinterpret_cast<uint32_t*>(ip) & kTrapBit) {
        // A breakpoint: the instruction has not run, so it is not counted,
        // and the hold decides what comes next.
        ++budget;
        TrapHit = true;
        StepBudget = 0;
        END_SLICE();
    }
    SAVE();
    fatal(translate("Invalid Instruction") + std::to_string(*reinterpret_cast<uint32_t*>(ip)));
}
catch (...) {
    SAVE();
    throw;
}

#undef SAVE
#undef W
#undef TOP
#undef SECOND
#undef SLOT
#undef PUSH
#undef PUSH_WORD
#undef END_SLICE
#undef CASE
#undef DISPATCH
#undef NEXT
}

} // namespace

TValue& scratchCell() {
    static TValue* cell = [] {
        TArenaOffset off = TArena::instance().allocate(sizeof(TValue));
        return arenaPtr<TValue>(off);
    }();
    return *cell;
}

TDebugHold& debugHold() { return gHold.get(); }
void setDebugHold(TDebugHold* hold) { gHold.install(hold); }

void warning(TProcess* p, const std::string& text) {
    if (text == LastWarningText) return;
    LastWarningText = text;
    ReportError(text, p ? processTrace(p) : TTrace{});
}

TTrace processTrace(const TProcess* p) {
    TTrace trace;
    const uint8_t* f = p->fp;
    // The failing instruction itself belongs to the statement it is in, so the
    // innermost position counts as one byte past it.
    TArenaOffset position = p->ip ? arenaOffset(p->ip) + 1 : 0;
    for (int depth = 0; f && depth < 100000; ++depth) {
        TFunction* fn = functionById(frame::get(f, frame::kMethod));
        const TCompiledInfo* code = nullptr;
        if (fn && fn->hasCode()) {
            code = &static_cast<TNormalFunction*>(fn)->code;
        } else {
            const TValue& recv = *arenaPtr<TValue>(frame::get(f, frame::kReceiver));
            TRTTI* cls = recv.kind == vtObject ? classById(objectAt(recv.u)->classId) : nullptr;
            if (cls && cls->initCode) code = cls->initCode.get();
        }
        if (code) {
            std::string text = code->positionText(position);
            size_t comma = text.find(',');
            if (comma != std::string::npos) {
                if (TRTTI* cls = resolveClassPath(text.substr(0, comma)))
                    trace.push_back({cls->sourceFile, std::atoi(text.c_str() + comma + 1),
                                     fn ? cls->name + "." + fn->nameText() : cls->name});
            }
        }
        position = frame::get(f, frame::kReturn);
        uint32_t caller = frame::get(f, frame::kCallerFp);
        f = caller ? arenaPtr<uint8_t>(caller) : nullptr;
    }
    return trace;
}

namespace {
// Runs nest on the host stack (a native running a process that runs a process,
// destructors run by allocation, gc_mark); each level takes a few kilobytes, so
// a chain of them is stopped like runaway recursion of script calls.
constexpr int kMaxNestedRuns = 200;
int gRunDepth = 0;
} // namespace

void runHostMethod(uint32_t instance, TFunction* method) {
    int32_t savedBudget = StepBudget;
    TProcess* p = nullptr;
    try {
        p = createProcess(TValue::ofObject(instance), {}, method);
        p->hostOwned = true;
    } catch (const ERavokError& e) {
        ReportError(e.what());
    }
    if (p) {
        run(p, kUnlimitedBudget);
        freeProcess(p);
    }
    StepBudget = savedBudget;
}

int32_t run(TProcess* p, int32_t limit) {
    if (!p || !p->fp || p->finished || p->running) return 0;
    if (gRunDepth >= kMaxNestedRuns) {
        ReportError(translate("Stack Overflow."), processTrace(p));
        p->exitState = 2;
        p->kill();
        return 0;
    }
    ++gRunDepth;
    TProcess* previous = CurrentProcess;
    CurrentProcess = p;
    p->running = true;
    p->suspended = 0;
    int32_t d = limit <= 0 ? kUnlimitedBudget : limit;
    int32_t used = 0;
    try {
        while (d > 0 && !p->suspended && !p->finished) {
            p->budget = std::max(0, std::min(d, p->stepping ? 1 : StepBudget));
            p->sliceUsed = p->budget;
            if (p->budget > 0) MethodProfiling ? execute<true>(p) : execute<false>(p);
            if (StepBudget < kUnlimitedBudget) StepBudget -= p->sliceUsed;
            d -= p->sliceUsed;
            used += p->sliceUsed;
            if (StepBudget <= 0 || p->stepping) {
                gHold.get().hold();
                if (StepBudget < kUnlimitedBudget) d = StepBudget;
            }
        }
        if (d < 1 && ReportPreemption) {
            Preempted = true;
            PreemptedClassName = receiverClassName(p->thisSlot);
        }
    } catch (const std::exception& e) {
        std::string text = e.what();
        // The debugger may show the failing statement while the process
        // still stands as it failed.
        gHold.get().failed(p, text);
        TTrace trace = processTrace(p);
        // The object stops running here, and its sprite with it: said, so
        // that a vanished object is not a mystery.
        ReportError(text + "\n" + translate("The object's process ended."), trace);
        p->exitState = 2;
        p->kill();
    }
    InstructionsRun += used;
    p->running = false;
    CurrentProcess = previous;
    --gRunDepth;
    releaseIfFreed(p);
    return used;
}

} // namespace ravok
