// Binding natives by class and name, and the native argument interface.
#include "test_support.h"

#include "runtime/errors.h"
#include "runtime/native_api.h"
#include "runtime/native_binding.h"

namespace ravok::test {
namespace {

class BindingTest : public RuntimeTest {};

void routineA(TValue* cell, int, int) { setInt(*cell, 1); }
void routineB(TValue* cell, int, int) { setInt(*cell, 2); }

TEST_F(BindingTest, ANameDeclaredTwiceBindsTheFirstAndDispatchesToTheLast) {
    TRTTI* cls = newClass();
    TNativeFunction* first = addNativeMethod(cls, "native_twice", unboundNativeRoutine);
    TNativeFunction* second = addNativeMethod(cls, "native_twice", unboundNativeRoutine);
    EXPECT_TRUE(bindNative(cls, "NATIVE_TWICE", routineA));
    EXPECT_EQ(first->routine, &routineA);
    EXPECT_EQ(second->routine, &unboundNativeRoutine);
    int32_t cache = -1;
    EXPECT_EQ(cls->methodBySymbol(intern("native_twice"), &cache), second);
    EXPECT_EQ(cls->methodByName("native_twice"), first);
}

TEST_F(BindingTest, ACodeMethodShadowedByANativeRunsAsAProcessButNotByDispatch) {
    TRTTI* base = newClass();
    TCodeWriter tick;
    tick.emitPush(TValue::ofInt(5));
    tick.emit(Op_Ret);
    tick.emitHalt();
    addCodeMethod(base, "tick", 0, 0, tick);
    TRTTI* sub = newClass({}, base);
    addNativeMethod(sub, "tick", routineA); // appended, not an override
    ASSERT_EQ(sub->methods.size(), base->methods.size() + 1);
    TProcess* p = createProcess(TValue::ofObject(allocateInstance(sub)), {}, "tick");
    processes.push_back(p);
    run(p);
    ASSERT_TRUE(p->result);
    EXPECT_EQ(valueToText(*p->result), "5");
    TCodeWriter w;
    w.emit(Op_PushThis);
    w.emitDCall(0, intern("tick"));
    w.emitHalt();
    TProcess* q = startMain(sub, w);
    run(q);
    EXPECT_EQ(q->exitState, 2);
    EXPECT_EQ(reporter.errors.back(), "Native\x8A\xD6\x90\x94tick cannot be invoked.");
}

TEST_F(BindingTest, AnUndeclaredNameShowsItsMessageAndLeavesTheOtherBindings) {
    TRTTI* cls = newClass();
    TNativeFunction* a = addNativeMethod(cls, "native_a", unboundNativeRoutine);
    TNativeFunction* b = addNativeMethod(cls, "native_b", unboundNativeRoutine);
    std::string path = cls->name;
    int bound = bindNatives({{path.c_str(), "native_a", routineA},
                             {path.c_str(), "native_missing", routineB},
                             {path.c_str(), "native_b", routineB}});
    EXPECT_EQ(bound, 2);
    EXPECT_EQ(a->routine, &routineA);
    EXPECT_EQ(b->routine, &routineB);
    EXPECT_EQ(reporter.errors,
              std::vector<std::string>{"Class" + cls->name +
                                       ": native functionnative_missing is undefined."});
    // A method with code is not a native declaration.
    TCodeWriter body;
    body.emit(Op_PushThis);
    body.emit(Op_Ret);
    body.emitHalt();
    addCodeMethod(cls, "scripted", 0, 0, body);
    EXPECT_FALSE(bindNative(cls, "scripted", routineA));
    EXPECT_EQ(reporter.errors.size(), 2u);
}

TEST_F(BindingTest, BindingByPathNeedsTheClass) {
    EXPECT_FALSE(bindNative("classes.nowhere.Nothing", "native_a", routineA));
    EXPECT_TRUE(reporter.errors.empty());
    TRTTI* cls = newClass();
    cls->path = "classes.test." + cls->name;
    addNativeMethod(cls, "native_a", unboundNativeRoutine);
    EXPECT_TRUE(bindNative(cls->path, "native_a", routineA));
    EXPECT_TRUE(bindNative(cls->name, "native_a", routineB)); // the short name
    EXPECT_EQ(static_cast<TNativeFunction*>(cls->methodByName("native_a"))->routine, &routineB);
}

TEST_F(BindingTest, AnUnboundNativeRaisesItsMessage) {
    TRTTI* cls = newClass();
    addNativeMethod(cls, "native_later", unboundNativeRoutine);
    try {
        callNative(cls, "native_later", TValue::null(), {});
        FAIL();
    } catch (const ERunError& e) {
        EXPECT_STREQ(e.what(), "native Method is not implemented.");
    }
}

class NativeApiTest : public RuntimeTest {};

TEST_F(NativeApiTest, ArgumentsLieBelowTheReceiverSlot) {
    TValue cells[3] = {TValue::ofInt(2), TValue::ofInt(1), TValue::null()};
    TValue* cell = &cells[2];
    EXPECT_EQ(native::argument(cell, 1).i, 1);
    EXPECT_EQ(native::argument(cell, 2).i, 2);
    EXPECT_EQ(&native::receiver(cell), cell);
    EXPECT_EQ(native::kind(native::argument(cell, 1)), vtInt);
}

TEST_F(NativeApiTest, TextCopiesWithATerminatingZero) {
    TValue v = TValue::ofFloat(1.5f);
    char buf[8];
    EXPECT_EQ(native::text(v, buf, sizeof buf), 3u);
    EXPECT_STREQ(buf, "1.5");
    char small[3];
    EXPECT_EQ(native::text(TValue::ofInt(123456), small, sizeof small), 6u);
    EXPECT_STREQ(small, "12");
}

TEST_F(NativeApiTest, InstancesHostObjectsAndStrings) {
    TRTTI* cls = newClass();
    uint32_t inst = allocateInstance(cls);
    EXPECT_EQ(native::instance(TValue::ofObject(inst)), objectAt(inst));
    EXPECT_EQ(native::instance(TValue::ofInt(3)), nullptr);
    EXPECT_EQ(native::hostObject(*cls->valueCell()), cls);
    EXPECT_EQ(native::hostObject(TValue::ofNative(12345)), nullptr);
    EXPECT_THROW(native::hostObjectAs<TProcess>(*cls->valueCell(), "process"), ERunError);
    EXPECT_THROW(native::hostObjectAs<TProcess>(TValue::ofInt(4), "process"), ERunError);
    TValue s = TValue::null();
    native::setString(s, "hey");
    EXPECT_EQ(valueToText(s), "hey");
    EXPECT_EQ(objectAt(s.u)->refcount, 1);
}

TEST_F(NativeApiTest, GlobalsAreFoundByDollarNameWithoutRegardToCase) {
    TValue* cell = native::globalCell("$screenWidth");
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(native::globalCell("$SCREENWIDTH"), cell);
    EXPECT_EQ(native::globalCell("screenWidth"), nullptr);
    native::setGlobal("$screenWidth", TValue::ofInt(640));
    EXPECT_EQ(valueToText(*cell), "640");
    native::setGlobal("plain", TValue::ofInt(1)); // not a global name: nothing happens
    EXPECT_THROW(native::evaluate("1+1"), ERunError);
}

} // namespace
} // namespace ravok::test
