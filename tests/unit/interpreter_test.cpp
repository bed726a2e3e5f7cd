// Instruction semantics: arithmetic and comparison tables, jumps, assignment,
// warnings, budgets and fatal errors.
#include "test_support.h"

#include "runtime/messages.h"

namespace ravok::test {
namespace {

class InterpreterTest : public RuntimeTest {
protected:
    std::string binary(const TValue& a, const TValue& b, TOpcode op) {
        return runText(binaryProgram(a, b, op));
    }
    TValue str(const char* text) {
        uint32_t s = makeString(text);
        return TValue::ofObject(s);
    }
    // push a (string constants go through Op_PushString), push b, op
    std::string binaryStrings(const char* a, const TValue& b, TOpcode op) {
        TCodeWriter w;
        w.emitPushString(a);
        w.emitPush(b);
        w.emit(op);
        w.emit(Op_Ret);
        w.emitHalt();
        return runText(w);
    }
};

TEST_F(InterpreterTest, IntegerArithmeticWrapsAtThirtyTwoBits) {
    EXPECT_EQ(binary(TValue::ofInt(2147483647), TValue::ofInt(1), Op_Add), "-2147483648");
    EXPECT_EQ(binary(TValue::ofInt(-2147483647 - 1), TValue::ofInt(1), Op_Sub), "2147483647");
    EXPECT_EQ(binary(TValue::ofInt(65536), TValue::ofInt(65536), Op_Mul), "0");
    EXPECT_EQ(binary(TValue::ofInt(-2147483647 - 1), TValue::ofInt(-1), Op_Div), "-2147483648");
    EXPECT_EQ(binary(TValue::ofInt(-2147483647 - 1), TValue::ofInt(-1), Op_Mod), "0");
}

TEST_F(InterpreterTest, DivisionIsExactOrFloat) {
    EXPECT_EQ(binary(TValue::ofInt(7), TValue::ofInt(2), Op_Div), "3.5");
    EXPECT_EQ(binary(TValue::ofInt(6), TValue::ofInt(2), Op_Div), "3");
    EXPECT_EQ(runMain(binaryProgram(TValue::ofInt(6), TValue::ofInt(2), Op_Div)).kind, vtInt);
    EXPECT_EQ(binary(TValue::ofInt(-7), TValue::ofInt(2), Op_Mod), "-1");
    EXPECT_EQ(binary(TValue::ofFloat(7.5f), TValue::ofInt(2), Op_Mod), "1");
    EXPECT_EQ(runMain(binaryProgram(TValue::ofFloat(7.5f), TValue::ofInt(2), Op_Mod)).kind, vtInt);
    EXPECT_EQ(binary(TValue::ofFloat(1.5f), TValue::ofInt(2), Op_Mul), "3");
    EXPECT_EQ(runMain(binaryProgram(TValue::ofFloat(1.5f), TValue::ofInt(2), Op_Mul)).kind,
              vtFloat);
    EXPECT_EQ(binary(TValue::ofInt(1), TValue::ofFloat(0.1f), Op_Add), "1.10000002384186");
}

TEST_F(InterpreterTest, StringsConcatenateFromEitherSide) {
    EXPECT_EQ(binaryStrings("a", TValue::ofInt(1), Op_Add), "a1");
    TCodeWriter w;
    w.emitPush(TValue::ofInt(1));
    w.emitPushString("a");
    w.emit(Op_Add);
    w.emit(Op_Ret);
    w.emitHalt();
    EXPECT_EQ(runText(w), "1a");
    // An object on the left with null or unset on the right keeps its own text.
    EXPECT_EQ(binaryStrings("a", TValue::null(), Op_Add), "a");
    EXPECT_EQ(binaryStrings("a", TValue::ofUnset(intern("zz")), Op_Add), "a");
    EXPECT_EQ(binaryStrings("a", TValue::ofError(2), Op_Add), "aError #2");
    // Other operators leave an object unchanged.
    EXPECT_EQ(binaryStrings("abc", TValue::ofInt(1), Op_Sub), "abc");
    EXPECT_EQ(binaryStrings("abc", TValue::ofInt(2), Op_Mul), "abc");
}

TEST_F(InterpreterTest, NullOnTheLeftTakesTheRightOperand) {
    EXPECT_EQ(binary(TValue::null(), TValue::ofInt(5), Op_Add), "5");
    EXPECT_EQ(binary(TValue::null(), TValue::ofInt(5), Op_Sub), "-5");
    EXPECT_EQ(binary(TValue::null(), TValue::ofFloat(2.5f), Op_Sub), "-2.5");
    EXPECT_EQ(binary(TValue::ofUnset(symBody), TValue::ofInt(3), Op_Mul), "3");
    EXPECT_EQ(binary(TValue::ofError(0), TValue::ofInt(3), Op_Div), "3");
    EXPECT_EQ(binary(TValue::ofInt(4), TValue::null(), Op_Add), "4");
    EXPECT_EQ(binary(TValue::ofInt(4), TValue::ofError(1), Op_Sub), "4");
}

TEST_F(InterpreterTest, ComparisonsYieldFloats) {
    EXPECT_EQ(binary(TValue::ofInt(1), TValue::ofInt(2), Op_LT), "1");
    EXPECT_EQ(runMain(binaryProgram(TValue::ofInt(1), TValue::ofInt(2), Op_LT)).kind, vtFloat);
    // (1 < 2) + 1 is the float 2
    TCodeWriter w;
    w.emitPush(TValue::ofInt(1));
    w.emitPush(TValue::ofInt(2));
    w.emit(Op_LT);
    w.emitPush(TValue::ofInt(1));
    w.emit(Op_Add);
    w.emit(Op_Ret);
    w.emitHalt();
    TValue r = runMain(w);
    EXPECT_EQ(r.kind, vtFloat);
    EXPECT_EQ(r.f, 2.0f);

    struct Row {
        TValue a, b;
        TOpcode op;
        const char* result;
    };
    const Row rows[] = {
        {TValue::ofInt(2147483647), TValue::ofInt(-1), Op_GT, "1"},
        {TValue::ofInt(3), TValue::ofInt(3), Op_GTE, "1"},
        {TValue::ofInt(3), TValue::ofInt(3), Op_LTE, "1"},
        {TValue::ofInt(3), TValue::ofFloat(3.5f), Op_LT, "1"},
        {TValue::ofInt(3), TValue::ofInt(3), Op_NEQ, "0"},
        {TValue::null(), TValue::ofUnset(symBody), Op_EQ, "1"},
        {TValue::null(), TValue::ofInt(0), Op_EQ, "0"},
        {TValue::ofInt(0), TValue::null(), Op_EQ, "0"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(binary(row.a, row.b, row.op), row.result)
            << kOpcodeName[row.op] << " " << valueToText(row.a);
}

TEST_F(InterpreterTest, StringComparisonConvertsOnlyTheRightOperand) {
    EXPECT_EQ(binaryStrings("1", TValue::ofInt(1), Op_EQ), "1");
    TCodeWriter w;
    w.emitPush(TValue::ofInt(1));
    w.emitPushString("1");
    w.emit(Op_EQ);
    w.emit(Op_Ret);
    w.emitHalt();
    EXPECT_EQ(runText(w), "0");
    for (TOpcode op : {Op_LT, Op_GT}) {
        TCodeWriter c;
        c.emitPushString("abc");
        c.emitPushString("abd");
        c.emit(op);
        c.emit(Op_Ret);
        c.emitHalt();
        EXPECT_EQ(runText(c), op == Op_GT ? "1" : "0");
    }
}

TEST_F(InterpreterTest, ComparisonReleasesItsOperands) {
    TRTTI* cls = newClass({"s"});
    // this.s = "x"; return this.s == "x";  -- the compared copies are released
    TCodeWriter w;
    w.emit(Op_PushThis);
    w.emit(Op_SMemberValPtr, {0});
    w.emitPushString("x");
    w.emit(Op_Subst);
    w.emit(Op_Pop);
    w.emit(Op_PushThis);
    w.emit(Op_SMemberValPtr, {0});
    w.emit(Op_Deref);
    w.emitPushString("x");
    w.emit(Op_EQ);
    w.emit(Op_Ret);
    w.emitHalt();
    TProcess* p = startMain(cls, w);
    run(p);
    ASSERT_TRUE(p->result);
    EXPECT_EQ(valueToText(*p->result), "1");
    TValue field = objectAt(cls->pool.at(0))->field(0);
    ASSERT_EQ(field.kind, vtObject);
    EXPECT_EQ(objectAt(field.u)->refcount, 1); // only the field holds it now
}

TEST_F(InterpreterTest, UpdateAssignmentsFollowTheirTable) {
    auto update = [&](const TValue& start, const TValue& v, TOpcode op) {
        TRTTI* cls = newClass({"x"});
        TCodeWriter w;
        w.emit(Op_PushThis);
        w.emit(Op_SMemberValPtr, {0});
        w.emitPush(start);
        w.emit(Op_Subst);
        w.emit(Op_Pop);
        w.emit(Op_PushThis);
        w.emit(Op_SMemberValPtr, {0});
        w.emitPush(v);
        w.emit(op);
        w.emit(Op_Deref); // the reference stays on the stack
        w.emit(Op_Ret);
        w.emitHalt();
        TProcess* p = startMain(cls, w);
        run(p);
        return p->result ? *p->result : TValue::ofError(-1);
    };
    EXPECT_EQ(valueToText(update(TValue::null(), TValue::ofInt(5), Op_SubSubst)), "5");
    EXPECT_EQ(valueToText(update(TValue::ofInt(2147483647), TValue::ofInt(1), Op_AddSubst)),
              "-2147483648");
    TValue f = update(TValue::ofInt(1), TValue::ofFloat(0.5f), Op_SubSubst);
    EXPECT_EQ(f.kind, vtFloat);
    EXPECT_EQ(f.f, 0.5f);
    EXPECT_EQ(valueToText(update(TValue::ofFloat(1.5f), TValue::ofInt(1), Op_AddSubst)), "2.5");
    EXPECT_EQ(valueToText(update(TValue::ofInt(3), TValue::null(), Op_AddSubst)), "3");
    EXPECT_EQ(valueToText(update(TValue::ofError(1), TValue::ofInt(7), Op_SubSubst)), "7");
}

TEST_F(InterpreterTest, AssignmentLeavesItsValueAndCountsBothHolders) {
    TRTTI* cls = newClass({"x"});
    TCodeWriter w; // return (this.x = "s");
    w.emit(Op_PushThis);
    w.emit(Op_SMemberValPtr, {0});
    w.emitPushString("s");
    w.emit(Op_Subst);
    w.emit(Op_Ret);
    w.emitHalt();
    TProcess* p = startMain(cls, w);
    run(p);
    ASSERT_TRUE(p->result);
    ASSERT_EQ(p->result->kind, vtObject);
    // Held by the field and by the result slot.
    EXPECT_EQ(objectAt(p->result->u)->refcount, 2);
}

TEST_F(InterpreterTest, NotNegAndConditionalJumps) {
    EXPECT_EQ(runText([] {
                  TCodeWriter w;
                  w.emitPush(TValue::ofFloat(0.0f));
                  w.emit(Op_Not);
                  w.emit(Op_Ret);
                  w.emitHalt();
                  return w;
              }()),
              "1");
    EXPECT_EQ(runText([] {
                  TCodeWriter w;
                  w.emitPush(TValue::ofInt(-2147483647 - 1));
                  w.emit(Op_Neg);
                  w.emit(Op_Ret);
                  w.emitHalt();
                  return w;
              }()),
              "-2147483648");
    // a && b as the generator writes it: Jump_And keeps a falsy left operand.
    auto andOr = [&](TOpcode jump, TValue a, TValue b) {
        TCodeWriter w;
        w.emitPush(a);
        uint32_t j = w.emitJump(jump);
        w.emitPush(b);
        w.patchJump(j, w.position());
        w.emit(Op_Ret);
        w.emitHalt();
        return runText(w);
    };
    EXPECT_EQ(andOr(Op_Jump_And, TValue::ofInt(0), TValue::ofInt(9)), "0");
    EXPECT_EQ(andOr(Op_Jump_And, TValue::ofInt(1), TValue::ofInt(9)), "9");
    EXPECT_EQ(andOr(Op_Jump_Or, TValue::ofInt(4), TValue::ofInt(9)), "4");
    EXPECT_EQ(andOr(Op_Jump_Or, TValue::null(), TValue::ofInt(9)), "9");
    // JumpZero pops in both directions.
    TCodeWriter w;
    w.emitPush(TValue::ofInt(11));
    w.emitPush(TValue::ofInt(0));
    uint32_t j = w.emitJump(Op_JumpZero);
    w.emitPush(TValue::ofInt(22));
    w.patchJump(j, w.position());
    w.emit(Op_Ret);
    w.emitHalt();
    EXPECT_EQ(runText(w), "11");
}

TEST_F(InterpreterTest, IsTestsTheClassChain) {
    TRTTI* base = newClass();
    TRTTI* derived = newClass({}, base);
    TRTTI* other = newClass();
    auto is = [&](TRTTI* of, TRTTI* test) {
        TCodeWriter w;
        w.emit(Op_Push, {0, 0}); // placeholder receiver slot
        w.emit(Op_Constructor, {0, of->classId()});
        w.emit(Op_Is, {test->classId()});
        w.emit(Op_Ret);
        w.emitHalt();
        return runText(w);
    };
    EXPECT_EQ(is(derived, base), "1");
    EXPECT_EQ(is(derived, derived), "1");
    EXPECT_EQ(is(base, derived), "0");
    EXPECT_EQ(is(other, base), "0");
    EXPECT_EQ(binary(TValue::ofInt(1), TValue::ofInt(1), Op_Add), "2");
}

TEST_F(InterpreterTest, WarningsAreShownOncePerDistinctText) {
    TCodeWriter w;
    auto readField = [&](const char* name) {
        w.emitPush(TValue::null());
        w.emitDMember(intern(name));
        w.emit(Op_Deref);
        w.emit(Op_Pop);
    };
    readField("b");
    readField("b");
    readField("c");
    readField("b");
    w.emitHalt();
    runMain(w);
    ASSERT_EQ(reporter.errors.size(), 3u);
    EXPECT_EQ(reporter.errors[0], "null is not Object. Fieldb cannot be read.");
    EXPECT_EQ(reporter.errors[1], "null is not Object. Fieldc cannot be read.");
    EXPECT_EQ(reporter.errors[2], reporter.errors[0]);
    EXPECT_EQ(last->exitState, 0);
}

TEST_F(InterpreterTest, MissingFieldsWarnAndYieldError0) {
    TRTTI* cls = newClass({"x"});
    TCodeWriter w;
    w.emit(Op_PushThis);
    w.emitDMember(intern("nothere"));
    w.emit(Op_Deref);
    w.emit(Op_Ret);
    w.emitHalt();
    TProcess* p = startMain(cls, w);
    run(p);
    ASSERT_TRUE(p->result);
    EXPECT_EQ(valueToText(*p->result), "Error #0");
    ASSERT_EQ(reporter.errors.size(), 1u);
    EXPECT_EQ(reporter.errors[0], "Variablenothere is not defined.");
    // An unset variable is described as not initialized.
    EXPECT_EQ(describeValue(TValue::ofUnset(intern("q"))), "Variableq is not initialized.");
}

TEST_F(InterpreterTest, ErrorValuesProduceNoFurtherMessages) {
    TCodeWriter w; // null.b.c: one message, then silence
    w.emitPush(TValue::null());
    w.emitDMember(intern("b"));
    w.emit(Op_Deref);
    w.emitDMember(intern("c"));
    w.emit(Op_Deref);
    w.emit(Op_Ret);
    w.emitHalt();
    EXPECT_EQ(runText(w), "Error #0");
    EXPECT_EQ(reporter.errors.size(), 1u);
}

TEST_F(InterpreterTest, WarningTextsGoThroughTheMessageTable) {
    TScopedTranslator translator([](std::string_view key) -> std::string {
        return key == " cannot be read." ? " kann nicht gelesen werden." : std::string();
    });
    TCodeWriter w;
    w.emitPush(TValue::ofInt(3));
    w.emitDMember(intern("b"));
    w.emit(Op_Deref);
    w.emit(Op_Ret);
    w.emitHalt();
    runMain(w);
    ASSERT_EQ(reporter.errors.size(), 1u);
    EXPECT_EQ(reporter.errors[0], "3 is not Object. Fieldb kann nicht gelesen werden.");
}

// this.n += 1 forever: five instructions a turn.
TCodeWriter endlessLoop() {
    TCodeWriter w;
    uint32_t top = w.position();
    w.emit(Op_PushThis);
    w.emit(Op_SMemberValPtr, {0});
    w.emitPush(TValue::ofInt(1));
    w.emit(Op_AddSubst);
    w.emit(Op_Pop);
    w.patchJump(w.emitJump(Op_Jump), top);
    w.emitHalt();
    return w;
}

TEST_F(InterpreterTest, ABudgetExhaustedProcessResumesWhereItStopped) {
    TRTTI* cls = newClass({"n"});
    TProcess* p = startMain(cls, endlessLoop());
    TfObject* self = objectAt(p->slot(p->thisSlot)->u);
    self->field(0) = TValue::ofInt(0);
    run(p);
    EXPECT_TRUE(Preempted);
    EXPECT_EQ(PreemptedClassName, cls->name);
    EXPECT_FALSE(p->finished);
    // 123456 = 5 * 24691 + 1: the next turn's first instruction has run.
    EXPECT_EQ(self->field(0).i, 24691);
    EXPECT_EQ(p->ip, cls->initCode->codePtr() + 12);
    Preempted = false;
    run(p);
    EXPECT_TRUE(Preempted);
    EXPECT_EQ(self->field(0).i, 49382);
    EXPECT_EQ(p->ip, cls->initCode->codePtr() + 24);
    EXPECT_TRUE(reporter.errors.empty());
}

TEST_F(InterpreterTest, TheDebuggerBudgetSlicesARun) {
    TRTTI* cls = newClass({"n"});
    TProcess* p = startMain(cls, endlessLoop());
    TfObject* self = objectAt(p->slot(p->thisSlot)->u);
    self->field(0) = TValue::ofInt(0);
    static int holds;
    holds = 0;
    {
        TScopedHold hold([] { ++holds; });
        StepBudget = 10; // two turns, then the hold; it leaves the budget at 0
        run(p);
    }
    EXPECT_EQ(holds, 1);
    EXPECT_EQ(self->field(0).i, 2);
    EXPECT_EQ(StepBudget, 0);
    EXPECT_TRUE(Preempted);
}

TEST_F(InterpreterTest, FatalErrorsKillOnlyTheirProcess) {
    TProcess* bad =
        startMain(newClass(), binaryProgram(TValue::ofInt(1), TValue::ofInt(0), Op_Div));
    TProcess* good =
        startMain(newClass(), binaryProgram(TValue::ofInt(6), TValue::ofInt(3), Op_Div));
    run(bad);
    EXPECT_EQ(bad->exitState, 2);
    EXPECT_TRUE(bad->finished);
    EXPECT_TRUE(bad->released);
    ASSERT_EQ(reporter.errors.size(), 1u);
    EXPECT_EQ(reporter.errors[0], "Division by zero");
    EXPECT_EQ(CurrentProcess, nullptr);
    run(bad); // a finished process never runs again
    EXPECT_EQ(reporter.errors.size(), 1u);
    run(good);
    EXPECT_EQ(good->exitState, 0);
    ASSERT_TRUE(good->result);
    EXPECT_EQ(valueToText(*good->result), "2");
    EXPECT_EQ(runText(binaryProgram(TValue::ofInt(5), TValue::ofInt(0), Op_Mod)), "null");
    EXPECT_EQ(last->exitState, 2);
}

TEST_F(InterpreterTest, AnUnknownOpcodeIsAFatalErrorNotACrash) {
    TCodeWriter w;
    w.emit(Op_PushThis);
    w.emit(Op_Pop);
    w.emitHalt();
    std::vector<uint8_t> image = w.image();
    image[4] = 200; // what a damaged cache file could hold
    TRTTI* cls = newClass();
    cls->initCode = std::make_unique<TCompiledInfo>();
    cls->initCode->install(image);
    TProcess* p = createProcess(TValue::ofObject(allocateInstance(cls)), {}, std::string_view());
    processes.push_back(p);
    run(p);
    EXPECT_EQ(p->exitState, 2);
    ASSERT_EQ(reporter.errors.size(), 1u);
    EXPECT_EQ(reporter.errors[0], "Invalid Instruction200");
}

TEST_F(InterpreterTest, FatalErrorsCarryTheTraceOfSourcePoints) {
    TRTTI* cls = newClass();
    cls->sourceFile = "Usr\\Chara.ravok";
    TCodeWriter w;
    w.addSourcePoint(5);
    w.emitPush(TValue::ofInt(1));
    w.emit(Op_Pop);
    w.addSourcePoint(42);
    w.emitPush(TValue::ofInt(1));
    w.emitPush(TValue::ofInt(0));
    w.emit(Op_Div);
    w.emitHalt();
    TProcess* p = startMain(cls, w);
    run(p);
    ASSERT_EQ(reporter.traces.size(), 1u);
    ASSERT_EQ(reporter.traces[0].size(), 1u);
    EXPECT_EQ(reporter.traces[0][0].source, "Usr\\Chara.ravok");
    EXPECT_EQ(reporter.traces[0][0].offset, 42);
}

} // namespace
} // namespace ravok::test
