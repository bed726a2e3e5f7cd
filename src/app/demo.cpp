#include "app/demo.h"

#include "runtime/class_builder.h"
#include "runtime/interpreter.h"
#include "runtime/listing.h"
#include "runtime/pool.h"
#include "runtime/process.h"
#include "runtime/stats.h"
#include "runtime/symbols.h"
#include "runtime/value_ops.h"

#include "base/encoding.h"

#include <cstdio>

namespace ravok {

namespace {

void nativePrint(TValue* cell, int argc, int) {
    if (argc < 1) return;
    std::printf("%s\n", cp932ToTerminal(valueToText(cell[-1])).c_str());
}

void printListing(const char* title, const TCompiledInfo& code) {
    std::printf("-- %s\n", title);
    for (const std::string& line : listImage(code.codePtr(), code.size()))
        std::printf("%s\n", cp932ToTerminal(line).c_str());
}

// fib(n) { if (n < 2) return n; return fib(n - 1) + fib(n - 2); }
TNormalFunction* buildFib(TRTTI* cls) {
    int32_t self = cls->methodIndexByName("fib");
    if (self < 0) self = int32_t(cls->methods.size()); // the index it is about to get
    TCodeWriter w;
    w.emit(Op_ArgValPtr, {0});
    w.emit(Op_Deref);
    w.emitPush(TValue::ofInt(2));
    w.emit(Op_LT);
    uint32_t toRecurse = w.emitJump(Op_JumpZero);
    w.emit(Op_ArgValPtr, {0});
    w.emit(Op_Deref);
    w.emit(Op_Ret);
    w.patchJump(toRecurse, w.position());
    for (int k = 1; k <= 2; ++k) {
        w.emit(Op_PushThis);
        w.emit(Op_ArgValPtr, {0});
        w.emit(Op_Deref);
        w.emitPush(TValue::ofInt(k));
        w.emit(Op_Sub);
        w.emit(Op_SCall, {1, uint32_t(self)});
    }
    w.emit(Op_Add);
    w.emit(Op_Ret);
    w.emitHalt();
    return addCodeMethod(cls, "fib", 1, 0, w);
}

// this.sum = 0; for (this.i = 1; this.i <= 100; this.i += 1) this.sum += this.i;
// print("sum of 1..100 = " + this.sum); print("fib(10) = " + fib(10));
void buildMainBody(TRTTI* cls, uint32_t printId, int32_t fibIndex) {
    uint32_t i = uint32_t(cls->fields.indexOf(intern("i")));
    uint32_t sum = uint32_t(cls->fields.indexOf(intern("sum")));
    TCodeWriter w;
    auto field = [&](uint32_t index) {
        w.emit(Op_PushThis);
        w.emit(Op_SMemberValPtr, {index});
    };
    auto fieldValue = [&](uint32_t index) {
        field(index);
        w.emit(Op_Deref);
    };
    field(sum);
    w.emitPush(TValue::ofInt(0));
    w.emit(Op_Subst);
    w.emit(Op_Pop);
    field(i);
    w.emitPush(TValue::ofInt(1));
    w.emit(Op_Subst);
    w.emit(Op_Pop);
    uint32_t loop = w.position();
    fieldValue(i);
    w.emitPush(TValue::ofInt(100));
    w.emit(Op_LTE);
    uint32_t exit = w.emitJump(Op_JumpZero);
    field(sum);
    fieldValue(i);
    w.emit(Op_AddSubst);
    w.emit(Op_Pop);
    field(i);
    w.emitPush(TValue::ofInt(1));
    w.emit(Op_AddSubst);
    w.emit(Op_Pop);
    w.patchJump(w.emitJump(Op_Jump), loop);
    w.patchJump(exit, w.position());

    w.emit(Op_PushThis);
    w.emitPushString("sum of 1..100 = ");
    fieldValue(sum);
    w.emit(Op_Add);
    w.emit(Op_NativeCall, {1, printId});
    w.emit(Op_Pop);

    w.emit(Op_PushThis);
    w.emitPushString("fib(10) = ");
    w.emit(Op_PushThis);
    w.emitPush(TValue::ofInt(10));
    w.emit(Op_SCall, {1, uint32_t(fibIndex)});
    w.emit(Op_Add);
    w.emit(Op_NativeCall, {1, printId});
    w.emit(Op_Pop);
    w.emitHalt();
    setMainBody(cls, w);
}

} // namespace

int runDemo() {
    std::printf("Ravok player: no game can be loaded yet. Running the built-in demo:\n"
                "a hand-assembled class, its code listing and its output.\n\n");
    const TBootstrapClasses& core = bootstrapCoreClasses();
    TRTTI* demo = makeClass("Demo", core.object, {"i", "sum"});
    TNativeFunction* print = addNativeMethod(demo, "print", nativePrint);
    TNormalFunction* fib = buildFib(demo);
    buildMainBody(demo, print->id(), demo->methodIndexByName("fib"));

    printListing("Demo main body", *demo->initCode);
    printListing("Demo.fib", fib->code);
    std::printf("-- output\n");
    std::fflush(stdout);

    uint32_t instance = allocateInstance(demo);
    TProcess* p = createProcess(TValue::ofObject(instance), {}, std::string_view());
    p->hostOwned = true;
    run(p, kUnlimitedBudget);
    int status = p->exitState == 2 ? 2 : 0;
    freeProcess(p);
    std::printf("-- %s\n", statisticsLine().c_str());
    return status;
}

} // namespace ravok
