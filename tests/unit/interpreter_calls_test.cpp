// The call and return protocol: dynamic, static, super, native and constructor
// calls, arguments, stack depth, for-in and the _errorHook fall-back.
#include "test_support.h"

#include "runtime/errors.h"
#include "runtime/stats.h"
#include "runtime/value_list.h"

namespace ravok::test {
namespace {

class CallTest : public RuntimeTest {
protected:
    // m(a0, a1, a2) { return a<index>; }
    TNormalFunction* argReader(TRTTI* cls, const char* name, int index, int declared = 3) {
        TCodeWriter m;
        m.emit(Op_ArgValPtr, {uint32_t(index)});
        m.emit(Op_Deref);
        m.emit(Op_Ret);
        m.emitHalt();
        return addCodeMethod(cls, name, declared, 0, m);
    }
};

TEST_F(CallTest, MissingArgumentsReadAsNullAndExtraOnesAreReleased) {
    TRTTI* cls = newClass();
    argReader(cls, "third", 2);
    TCodeWriter w; // return this.third("a", "b");
    w.emit(Op_PushThis);
    w.emitPushString("a");
    w.emitPushString("b");
    w.emitDCall(2, intern("third"));
    w.emit(Op_Ret);
    w.emitHalt();
    TProcess* first = startMain(cls, w);
    run(first);
    ASSERT_TRUE(first->result);
    EXPECT_EQ(valueToText(*first->result), "null");
    EXPECT_TRUE(reporter.errors.empty());

    TRTTI* c2 = newClass();
    argReader(c2, "first", 0, 1);
    TCodeWriter v; // return this.first("x", "y", "z");
    v.emit(Op_PushThis);
    v.emitPushString("x");
    v.emitPushString("y");
    v.emitPushString("z");
    v.emit(Op_SCall, {3, uint32_t(c2->methodIndexByName("first"))});
    v.emit(Op_Ret);
    v.emitHalt();
    TProcess* p = startMain(c2, v);
    run(p);
    ASSERT_TRUE(p->result);
    EXPECT_EQ(valueToText(*p->result), "x");
    EXPECT_EQ(objectAt(p->result->u)->refcount, 1); // only the result slot
    // y and z were released at return: their records are free for reuse.
    int unreferenced = 0;
    for (uint32_t rec : core->string->pool)
        if (objectAt(rec)->refcount == 0) ++unreferenced;
    EXPECT_GE(unreferenced, 2);
}

TEST_F(CallTest, AnOverrideKeepsItsIndexAndStaticCallsReachIt) {
    TRTTI* base = newClass();
    TCodeWriter one;
    one.emitPush(TValue::ofInt(1));
    one.emit(Op_Ret);
    one.emitHalt();
    addCodeMethod(base, "other", 0, 0, one);
    addCodeMethod(base, "update", 0, 0, one);
    TRTTI* derived = newClass({}, base);
    TCodeWriter two;
    two.emitPush(TValue::ofInt(2));
    two.emit(Op_Ret);
    two.emitHalt();
    TNormalFunction* over = addCodeMethod(derived, "Update", 0, 0, two);
    int32_t index = base->methodIndexByName("update");
    EXPECT_EQ(derived->methodIndexByName("update"), index);
    EXPECT_EQ(derived->methodByIndex(index), over);
    TCodeWriter w;
    w.emit(Op_PushThis);
    w.emit(Op_SCall, {0, uint32_t(index)});
    w.emit(Op_PushThis);
    w.emit(Op_SuperCall, {0, base->methodByName("update")->id()});
    w.emit(Op_Sub); // 2 - 1
    w.emit(Op_Ret);
    w.emitHalt();
    TProcess* p = startMain(derived, w);
    run(p);
    ASSERT_TRUE(p->result);
    EXPECT_EQ(valueToText(*p->result), "1");
}

TEST_F(CallTest, NativesGetTheReceiverSlotAndNumberTheirArgumentsFromOne) {
    TRTTI* cls = newClass();
    TNativeFunction* sub = addNativeMethod(cls, "native_sub", [](TValue* cell, int argc, int) {
        if (argc < 2) return;
        setInt(*cell, toInt(cell[-1]) - toInt(cell[-2]));
    });
    TNativeFunction* silent = addNativeMethod(cls, "native_silent", [](TValue*, int, int) {});
    TCodeWriter w; // native_sub(10, 3) + native_silent("s")
    w.emitPush(TValue::null());
    w.emitPush(TValue::ofInt(10));
    w.emitPush(TValue::ofInt(3));
    w.emit(Op_NativeCall, {2, sub->id()});
    w.emit(Op_PushThis);
    w.emitPushString("s");
    w.emit(Op_NativeCall, {1, silent->id()});
    w.emit(Op_Is, {cls->classId()}); // the receiver stayed as the result
    w.emit(Op_Add);
    w.emit(Op_Ret);
    w.emitHalt();
    TProcess* p = startMain(cls, w);
    run(p);
    ASSERT_TRUE(p->result);
    EXPECT_EQ(valueToText(*p->result), "8");
}

TEST_F(CallTest, UnboundNativesAndDynamicCallsOfNativesAreFatal) {
    TRTTI* cls = newClass();
    TNativeFunction* unbound = addNativeMethod(cls, "native_missing", unboundNativeRoutine);
    TCodeWriter w;
    w.emit(Op_PushThis);
    w.emit(Op_NativeCall, {0, unbound->id()});
    w.emitHalt();
    TProcess* p = startMain(cls, w);
    run(p);
    EXPECT_EQ(p->exitState, 2);
    ASSERT_EQ(reporter.errors.size(), 1u);
    EXPECT_EQ(reporter.errors[0], "native Method is not implemented.");

    TCodeWriter d;
    d.emit(Op_PushThis);
    d.emitDCall(0, intern("native_missing"));
    d.emitHalt();
    TProcess* q = startMain(cls, d);
    run(q);
    EXPECT_EQ(q->exitState, 2);
    ASSERT_EQ(reporter.errors.size(), 2u);
    EXPECT_EQ(reporter.errors[1], "Native\x8A\xD6\x90\x94native_missing cannot be invoked.");
}

TEST_F(CallTest, UndefinedMethodsEndTheProcessOrFallBackToErrorHook) {
    TRTTI* plain = newClass();
    TCodeWriter w;
    w.emit(Op_PushThis);
    w.emitDCall(0, intern("jump"));
    w.emit(Op_Ret);
    w.emitHalt();
    TProcess* p = startMain(plain, w);
    run(p);
    EXPECT_EQ(p->exitState, 2);
    // One report: the error that ends the process, which says so.
    EXPECT_EQ(reporter.errors, std::vector<std::string>{"Methodjump is not defined."});
    EXPECT_EQ(reporter.notes, std::vector<std::string>{"The object's process ended."});

    reporter.errors.clear();
    clearLastWarning();
    TRTTI* hooked = newClass();
    argReader(hooked, "_errorHook", 0, 1); // returns its first argument
    TCodeWriter h;
    h.emit(Op_PushThis);
    h.emitPush(TValue::ofInt(77));
    h.emitDCall(1, intern("jump"));
    h.emit(Op_Ret);
    h.emitHalt();
    TProcess* q = startMain(hooked, h);
    run(q);
    EXPECT_EQ(q->exitState, 0);
    ASSERT_TRUE(q->result);
    EXPECT_EQ(valueToText(*q->result), "77");
    EXPECT_EQ(reporter.errors, std::vector<std::string>{"Methodjump is not defined."});
}

TEST_F(CallTest, CallsOnNonObjectsUseObjectsErrorHook) {
    // Without a hook on Object: one fatal error, its receiver named once.
    TCodeWriter w;
    w.emitPush(TValue::null());
    w.emitDCall(0, intern("go"));
    w.emit(Op_Ret);
    w.emitHalt();
    runMain(w);
    EXPECT_EQ(last->exitState, 2);
    EXPECT_EQ(reporter.errors,
              std::vector<std::string>{"null is not Object. Methodgo cannot be called."});
    EXPECT_EQ(reporter.notes, std::vector<std::string>{"The object's process ended."});

    // With one: null.b yields Error #0 after one warning; calling a method on
    // it shows nothing more and reaches the hook with the error as receiver.
    reporter.errors.clear();
    clearLastWarning();
    TCodeWriter hook; // _errorHook() { return this; }
    hook.emit(Op_PushThis);
    hook.emit(Op_Ret);
    hook.emitHalt();
    TNormalFunction* fn = addCodeMethod(core->object, "_errorHook", 0, 0, hook);
    TCodeWriter v;
    v.emitPush(TValue::null());
    v.emitDMember(intern("b"));
    v.emit(Op_Deref);
    v.emitDCall(0, intern("go"));
    v.emit(Op_Ret);
    v.emitHalt();
    TValue r = runMain(v);
    // Object gives its hook up; the test's class still holds it until teardown.
    core->object->removeLastMethod();
    if (--fn->usageCount <= 0) delete fn;
    EXPECT_EQ(last->exitState, 0);
    EXPECT_EQ(valueToText(r), "Error #0");
    EXPECT_EQ(reporter.errors,
              std::vector<std::string>{"null is not Object. Fieldb cannot be read."});
}

TEST_F(CallTest, DeepRecursionEndsInStackOverflow) {
    // down(a) { local l0, l1, l2; this.depth += 1; this.down(a); }
    // The main body's frame and its two pushes take 112 bytes of the 1024;
    // each call takes 72 more (receiver and argument 16, frame record 32,
    // locals 24). Call k starts its locals at 1024 - 112 - 72 (k - 1) bytes
    // above the block, and must stay 100 bytes clear: call 13 cannot.
    TRTTI* cls = newClass({"depth"});
    int32_t down = int32_t(cls->methods.size());
    TCodeWriter m;
    m.emit(Op_PushThis);
    m.emit(Op_SMemberValPtr, {0});
    m.emitPush(TValue::ofInt(1));
    m.emit(Op_AddSubst);
    m.emit(Op_Pop);
    m.emit(Op_PushThis);
    m.emit(Op_ArgValPtr, {0});
    m.emit(Op_Deref);
    m.emit(Op_SCall, {1, uint32_t(down)});
    m.emit(Op_Ret);
    m.emitHalt();
    addCodeMethod(cls, "down", 1, 3, m);
    TCodeWriter w;
    w.emit(Op_PushThis);
    w.emitPush(TValue::ofInt(0));
    w.emit(Op_SCall, {1, uint32_t(down)});
    w.emitHalt();
    TProcess* p = startMain(cls, w);
    objectAt(p->slot(p->thisSlot)->u)->field(0) = TValue::ofInt(0);
    run(p);
    EXPECT_EQ(p->exitState, 2);
    ASSERT_EQ(reporter.errors.size(), 1u);
    EXPECT_EQ(reporter.errors[0], "Stack Overflow.");
    EXPECT_EQ(objectAt(cls->pool.at(0))->field(0).i, 12);
}

TEST_F(CallTest, ConstructorRecursionIsStoppedInsideTheStackBlock) {
    // constructor() { new Self(); } has no depth check of its own; it must
    // still end in "Stack Overflow." rather than write past the block.
    TRTTI* cls = newClass();
    TCodeWriter c;
    c.emitPush(TValue::null());
    c.emit(Op_Constructor, {0, cls->classId()});
    c.emit(Op_Pop);
    c.emit(Op_PushThis);
    c.emit(Op_Ret);
    c.emitHalt();
    addCodeMethod(cls, "constructor", 0, 0, c, TFunctionKind::Constructor);
    TCodeWriter w;
    w.emitPush(TValue::null());
    w.emit(Op_Constructor, {0, cls->classId()});
    w.emitHalt();
    TProcess* p = startMain(cls, w);
    run(p);
    EXPECT_EQ(p->exitState, 2);
    EXPECT_EQ(reporter.errors, std::vector<std::string>{"Stack Overflow."});
}

TEST_F(CallTest, ConstructorsBuildTheInstanceInTheReceiverSlot) {
    TRTTI* cls = newClass({"v"});
    TCodeWriter c; // constructor(a) { this.v = a; return this; }
    c.emit(Op_PushThis);
    c.emit(Op_SMemberValPtr, {0});
    c.emit(Op_ArgValPtr, {0});
    c.emit(Op_Deref);
    c.emit(Op_Subst);
    c.emit(Op_Pop);
    c.emit(Op_PushThis);
    c.emit(Op_Ret);
    c.emitHalt();
    addCodeMethod(cls, "constructor", 1, 0, c, TFunctionKind::Constructor);
    TCodeWriter w; // return new T(5).v
    w.emitPush(TValue::null());
    w.emitPush(TValue::ofInt(5));
    w.emit(Op_Constructor, {1, cls->classId()});
    w.emit(Op_SMemberValPtr, {0});
    w.emit(Op_Deref);
    w.emit(Op_Ret);
    w.emitHalt();
    EXPECT_EQ(valueToText(runMain(w)), "5");
    // The instance made by the constructor is released with the expression.
    EXPECT_EQ(objectAt(cls->pool.at(0))->refcount, 0);
}

TEST_F(CallTest, ForInVisitsEveryElementAndReleasesTheArray) {
    TRTTI* cls = newClass({"sum", "x", "arr"});
    uint32_t array = allocateInstance(core->array);
    auto* list = new TValueList();
    for (int i = 1; i <= 4; ++i)
        list->add(TValue::ofInt(i * 10));
    objectAt(array)->field(gCore.arrayList) = list->handle();
    TCodeWriter w; // this.sum = 0; for (this.x in arr) this.sum += this.x; return this.sum;
    w.emit(Op_PushThis);
    w.emit(Op_SMemberValPtr, {0});
    w.emitPush(TValue::ofInt(0));
    w.emit(Op_Subst);
    w.emit(Op_Pop);
    w.emit(Op_PushThis);
    w.emit(Op_SMemberValPtr, {1});
    w.emit(Op_PushThis);
    w.emit(Op_SMemberValPtr, {2});
    w.emit(Op_Deref);
    w.emit(Op_InitForIn);
    uint32_t loop = w.position();
    uint32_t exit = w.emitJump(Op_DoForIn);
    w.emit(Op_PushThis);
    w.emit(Op_SMemberValPtr, {0});
    w.emit(Op_PushThis);
    w.emit(Op_SMemberValPtr, {1});
    w.emit(Op_Deref);
    w.emit(Op_AddSubst);
    w.emit(Op_Pop);
    w.patchJump(w.emitJump(Op_Jump), loop);
    w.patchJump(exit, w.position());
    w.emit(Op_ClearForIn);
    w.emit(Op_PushThis);
    w.emit(Op_SMemberValPtr, {0});
    w.emit(Op_Deref);
    w.emit(Op_Ret);
    w.emitHalt();
    setMainBody(cls, w);
    uint32_t self = allocateInstance(cls);
    setObject(objectAt(self)->field(2), array);
    TProcess* p = createProcess(TValue::ofObject(self), {}, std::string_view());
    processes.push_back(p);
    run(p);
    ASSERT_TRUE(p->result);
    EXPECT_EQ(valueToText(*p->result), "100");
    EXPECT_EQ(objectAt(array)->refcount, 1); // back to the field's count
    EXPECT_EQ(valueToText(objectAt(self)->field(1)), "40");
    delete list;
}

TEST_F(CallTest, ForInOverANonArrayIsFatal) {
    TCodeWriter w;
    w.emitPush(TValue::null());
    w.emitPush(TValue::ofInt(3));
    w.emit(Op_InitForIn);
    w.emitHalt();
    runMain(w);
    EXPECT_EQ(last->exitState, 2);
    ASSERT_EQ(reporter.errors.size(), 1u);
    EXPECT_EQ(reporter.errors[0], "\"Cannot apply \"\"for in ..\"\" to non-Array Value.\"");
    EXPECT_EQ(reporter.errors[0].size(), 48u);
}

TEST_F(CallTest, AForgedHostHandleIsARunTimeErrorNotACrash) {
    TRTTI* cls = newClass({"x", "arr"});
    uint32_t array = allocateInstance(core->array);
    objectAt(array)->field(gCore.arrayList) = TValue::ofNative(12345); // TObject(12345)
    TCodeWriter w;
    w.emit(Op_PushThis);
    w.emit(Op_SMemberValPtr, {0});
    w.emit(Op_PushThis);
    w.emit(Op_SMemberValPtr, {1});
    w.emit(Op_Deref);
    w.emit(Op_InitForIn);
    w.emitJump(Op_DoForIn, 8);
    w.emitHalt();
    setMainBody(cls, w);
    uint32_t self = allocateInstance(cls);
    setObject(objectAt(self)->field(1), array);
    TProcess* p = createProcess(TValue::ofObject(self), {}, std::string_view());
    processes.push_back(p);
    run(p);
    EXPECT_EQ(p->exitState, 2);
    ASSERT_EQ(reporter.errors.size(), 1u);
    EXPECT_EQ(reporter.errors[0], "12345 is not a valid array list handle.");
    EXPECT_EQ(objectAt(array)->refcount, 1); // the kill released the stack's copy
}

TEST_F(CallTest, SuspendingEndsTheRunAndTheNextRunContinues) {
    TRTTI* cls = newClass({"n"});
    TNativeFunction* suspend = addNativeMethod(cls, "suspend", [](TValue*, int, int) {
        TProcess* p = CurrentProcess;
        p->suspended = 1;
        p->sliceUsed -= p->budget;
        p->budget = 0;
    });
    TCodeWriter w; // loop { this.n += 1; suspend(); }
    uint32_t top = w.position();
    w.emit(Op_PushThis);
    w.emit(Op_SMemberValPtr, {0});
    w.emitPush(TValue::ofInt(1));
    w.emit(Op_AddSubst);
    w.emit(Op_Pop);
    w.emit(Op_PushThis);
    w.emit(Op_NativeCall, {0, suspend->id()});
    w.emit(Op_Pop);
    w.patchJump(w.emitJump(Op_Jump), top);
    w.emitHalt();
    TProcess* p = startMain(cls, w);
    TfObject* self = objectAt(p->slot(p->thisSlot)->u);
    self->field(0) = TValue::ofInt(0);
    for (int frame = 1; frame <= 3; ++frame) {
        run(p);
        EXPECT_EQ(self->field(0).i, frame);
        // The first run starts at the top; later ones at the Pop after the call.
        EXPECT_EQ(p->sliceUsed, frame == 1 ? 6 : 8);
        EXPECT_TRUE(p->suspended);
    }
    EXPECT_FALSE(Preempted);
}

TEST_F(CallTest, ProcessesForUnknownMethodsAreNotCreated) {
    TRTTI* cls = newClass();
    uint32_t inst = allocateInstance(cls);
    try {
        createProcess(TValue::ofObject(inst), {}, "fly");
        FAIL();
    } catch (const ERunError& e) {
        EXPECT_STREQ(e.what(), "Methodfly is undefined.");
    }
    EXPECT_EQ(objectAt(inst)->refcount, 0);
}

TEST_F(CallTest, AProcessRunsAMethodWithArgumentsAndKeepsItsResult) {
    TRTTI* cls = newClass();
    argReader(cls, "second", 1, 2);
    uint32_t inst = allocateInstance(cls);
    TValue s = TValue::ofObject(makeString("two"));
    TProcess* p = createProcess(TValue::ofObject(inst), {TValue::ofInt(1), s}, "SECOND");
    EXPECT_EQ(objectAt(inst)->refcount, 1);
    EXPECT_EQ(objectAt(s.u)->refcount, 1);
    run(p);
    EXPECT_TRUE(p->finished);
    ASSERT_TRUE(p->result);
    EXPECT_EQ(valueToText(*p->result), "two");
    EXPECT_EQ(objectAt(inst)->refcount, 0);
    EXPECT_EQ(objectAt(s.u)->refcount, 1); // now held by the result
    freeProcess(p);
    EXPECT_EQ(objectAt(s.u)->refcount, 0);
}

} // namespace
} // namespace ravok::test
