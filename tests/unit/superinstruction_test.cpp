// Superinstructions of installed images: marked only where their sequence
// stands, invisible to cache files and listings, and a slice of any budget
// ends on the same instruction as it would in the plain sequence.
#include "test_support.h"

#include "runtime/code_image.h"
#include "runtime/fusion.h"
#include "runtime/listing.h"
#include "runtime/superinstructions.h"

#include "runtime/class_builder.h"
#include "runtime/code_image.h"
#include "runtime/symbols.h"

namespace ravok::test {
namespace {

class SuperinstructionTest : public RuntimeTest {
protected:
    // this.m(argument) (without one for nullptr) run with the budget, then to
    // its end: where the cut slice stopped and what m returned.
    std::string callCut(TRTTI* cls, const TNormalFunction* m, const TValue* argument,
                        int32_t budget);
    std::string cutIn(std::initializer_list<std::pair<const char*, const TNormalFunction*>> methods,
                      TRTTI* cls, const TValue& x, int32_t budget,
                      const char* stringArgument = nullptr);
};

// while (this.n < 3) this.n += 1;
TCodeWriter countedLoop() {
    TCodeWriter w;
    uint32_t top = w.position();
    w.emit(Op_PushThis);
    w.emit(Op_SMemberValPtr, {0});
    w.emit(Op_Deref);
    w.emitPush(TValue::ofInt(3));
    w.emit(Op_LT);
    uint32_t toEnd = w.emitJump(Op_JumpZero);
    w.emit(Op_PushThis);
    w.emit(Op_SMemberValPtr, {0});
    w.emitPush(TValue::ofInt(1));
    w.emit(Op_AddSubst);
    w.emit(Op_Pop);
    w.patchJump(w.emitJump(Op_Jump), top);
    w.patchJump(toEnd, w.position());
    w.emitHalt();
    return w;
}

TEST_F(SuperinstructionTest, InstalledImagesMarkSequencesAndStoreThePlainOnes) {
    TCodeWriter w = countedLoop();
    std::vector<uint8_t> plain = w.image();
    fuseImage(plain.data(), plain.size());
    TCompiledInfo info;
    info.install(plain);
    const uint8_t* code = info.codePtr();
    EXPECT_EQ(readWord(code + 0), uint32_t(Sx_Field_LT_JumpZero));
    EXPECT_EQ(readWord(code + 16), uint32_t(Op_Push)); // the rest stays in place
    EXPECT_EQ(readWord(code + 28), uint32_t(Sx_LT_JumpZero));
    EXPECT_EQ(readWord(code + 40), uint32_t(Sx_Field_AddSubst_Pop));
    EXPECT_EQ(storedImage(code, info.size()), plain);
    EXPECT_EQ(listImage(code, info.size()), listImage(plain.data(), plain.size()));
}

TEST_F(SuperinstructionTest, WithFusionOffCodeIsInstalledPlainAndStoredAsEver) {
    TCodeWriter w = countedLoop();
    std::vector<uint8_t> stored = w.image();
    fuseImage(stored.data(), stored.size());
    setCodeFusion(false);
    TCompiledInfo info;
    info.install(stored);
    setCodeFusion(true);
    // Exactly the writer's instructions, one a dispatch: no pair, no sequence.
    EXPECT_EQ(std::vector<uint8_t>(info.codePtr(), info.codePtr() + info.size()), w.image());
    // A cache written from it holds what a fused run would write.
    EXPECT_EQ(storedImage(info.codePtr(), info.size()), stored);

    // A slice of any budget stops on the same instruction either way.
    auto cut = [&](bool fusion, int32_t budget) {
        setCodeFusion(fusion);
        TRTTI* cls = newClass({"n"});
        TNormalFunction* m = addCodeMethod(cls, "m", 0, 0, countedLoop());
        setCodeFusion(true);
        return callCut(cls, m, nullptr, budget);
    };
    for (int32_t budget = 1; budget <= 40; ++budget)
        EXPECT_EQ(cut(false, budget), cut(true, budget)) << "budget " << budget;
}

TEST_F(SuperinstructionTest, SequencesBrokenByAnotherInstructionStayPlain) {
    TCodeWriter w;
    w.emit(Op_PushThis);
    w.emit(Op_SMemberValPtr, {0});
    w.emitPush(TValue::ofInt(1));
    w.emit(Op_AddSubst);
    w.emit(Op_Ret); // not a Pop
    w.emitHalt();
    std::vector<uint8_t> plain = w.image();
    fuseImage(plain.data(), plain.size());
    TCompiledInfo info;
    info.install(plain);
    EXPECT_EQ(readWord(info.codePtr()), uint32_t(Op_PushThis_SMemberValPtr));
}

// The addresses the plain loop executes, in order, and how many of them
// have updated n, for comparison with a run cut after any budget.
struct TPlainTrace {
    std::vector<uint32_t> addresses;
    std::vector<int> updatesBefore;
};

TPlainTrace plainTrace() {
    TPlainTrace t;
    int n = 0;
    auto step = [&](uint32_t at) {
        t.addresses.push_back(at);
        t.updatesBefore.push_back(n);
        if (at == 64) ++n;
    };
    for (;;) {
        for (uint32_t at : {0u, 16u, 28u, 32u})
            step(at);
        if (n >= 3) break;
        for (uint32_t at : {40u, 52u, 64u, 68u, 72u})
            step(at);
    }
    step(80); // Halt
    return t;
}

TEST_F(SuperinstructionTest, ASliceOfAnyBudgetStopsWhereThePlainSequenceWould) {
    TPlainTrace trace = plainTrace();
    ASSERT_EQ(trace.addresses.size(), 4u * 4 + 5u * 3 + 1);
    TScopedHold hold([] {});
    for (size_t budget = 1; budget < trace.addresses.size(); ++budget) {
        TRTTI* cls = newClass({"n"});
        TProcess* p = startMain(cls, countedLoop());
        TfObject* self = objectAt(p->slot(p->thisSlot)->u);
        self->field(0) = TValue::ofInt(0);
        StepBudget = int32_t(budget);
        run(p);
        EXPECT_EQ(p->ip - cls->initCode->codePtr(), ptrdiff_t(trace.addresses[budget]))
            << "budget " << budget;
        EXPECT_EQ(self->field(0).i, trace.updatesBefore[budget]) << "budget " << budget;
        EXPECT_FALSE(p->finished) << "budget " << budget;
    }
    EXPECT_TRUE(reporter.errors.empty());
}

TEST_F(SuperinstructionTest, OtherKindsTakeThePlainPathWithTheSameResult) {
    // n starts as a float, then null: the relation and the update of the
    // plain instructions decide, with their conversions (null is never below
    // a number, so that loop ends at once).
    for (TValue start : {TValue::ofFloat(0.5f), TValue::null()}) {
        TRTTI* cls = newClass({"n"});
        TProcess* p = startMain(cls, countedLoop());
        TfObject* self = objectAt(p->slot(p->thisSlot)->u);
        self->field(0) = start;
        run(p);
        EXPECT_TRUE(p->finished);
        EXPECT_EQ(valueToText(self->field(0)), start.kind == vtFloat ? "3.5" : "null");
    }
    EXPECT_TRUE(reporter.errors.empty());
}

// f(n) { if (n < 2) return n; return n - (-2147483648); } called as
// this.f(arg), the sum wrapping around for every n it is reached with: the
// argument's compare-and-branch and its constant sum, against the plain
// instructions for every kind of argument and every budget.
TCodeWriter argumentMethod() {
    TCodeWriter w;
    w.emit(Op_ArgValPtr, {0});
    w.emit(Op_Deref);
    w.emitPush(TValue::ofInt(2));
    w.emit(Op_LT);
    uint32_t toSum = w.emitJump(Op_JumpZero);
    w.emit(Op_ArgValPtr, {0});
    w.emit(Op_Deref);
    w.emit(Op_Ret);
    w.patchJump(toSum, w.position());
    w.emit(Op_ArgValPtr, {0});
    w.emit(Op_Deref);
    w.emitPush(TValue::ofInt(-2147483647 - 1));
    w.emit(Op_Sub);
    w.emit(Op_Ret);
    w.emitHalt();
    return w;
}

// The installed image with its stored opcodes back: the plain sequences.
void withoutSuperinstructions(TCompiledInfo& code) {
    std::vector<uint8_t> plain = storedImage(code.codePtr(), code.size());
    std::memcpy(code.codePtr(), plain.data(), plain.size());
}

// Where a cut slice stopped: in the method ("m+offset") or the main body.
std::string cutAt(const TProcess* p, const TNormalFunction* method, const TRTTI* cls) {
    TArenaOffset at = arenaOffset(p->ip);
    bool inMethod = method->code.contains(at);
    return (inMethod ? "m+" : "main+") +
           std::to_string(at - (inMethod ? method->code.codeStart() : cls->initCode->codeStart()));
}

std::string SuperinstructionTest::callCut(TRTTI* cls, const TNormalFunction* m,
                                          const TValue* argument, int32_t budget) {
    TCodeWriter w; // return this.m(argument);
    w.emit(Op_PushThis);
    if (argument) w.emitPush(*argument);
    w.emitDCall(argument ? 1 : 0, intern("m"));
    w.emit(Op_Ret);
    w.emitHalt();
    TProcess* p = startMain(cls, w);
    StepBudget = budget;
    ravok::run(p);
    std::string where = cutAt(p, m, cls);
    StepBudget = kUnlimitedBudget;
    ravok::run(p);
    return where + " " + (p->result ? valueToText(*p->result) : std::string("none"));
}

TEST_F(SuperinstructionTest, ArgumentSequencesGiveThePlainResultsAtTheEdges) {
    auto call = [&](bool super, const TValue* argument, int32_t budget) {
        TRTTI* cls = newClass();
        TNormalFunction* f = addCodeMethod(cls, "f", 1, 0, argumentMethod());
        if (super) {
            EXPECT_EQ(readWord(f->code.codePtr()), uint32_t(Sx_Arg_LT_JumpZero));
            EXPECT_EQ(readWord(f->code.codePtr() + 52), uint32_t(Sx_Arg_Sub));
        } else {
            withoutSuperinstructions(f->code);
        }
        TCodeWriter w; // return this.f(argument);  or  this.f() without one
        w.emit(Op_PushThis);
        if (argument) w.emitPush(*argument);
        w.emitDCall(argument ? 1 : 0, intern("f"));
        w.emit(Op_Ret);
        w.emitHalt();
        TProcess* p = startMain(cls, w);
        StepBudget = budget;
        run(p);
        std::string where = cutAt(p, f, cls);
        StepBudget = kUnlimitedBudget;
        run(p);
        return (p->result ? valueToText(*p->result) : std::string("none")) + " cut at " + where;
    };
    TScopedHold hold([] {});
    const TValue arguments[] = {
        TValue::ofInt(-2147483647 - 1), TValue::ofInt(1),      TValue::ofInt(2), TValue::ofInt(7),
        TValue::ofFloat(2.5f),          TValue::ofFloat(0.5f), TValue::null()};
    for (const TValue& a : arguments) {
        for (int32_t budget = 1; budget < 14; ++budget)
            EXPECT_EQ(call(true, &a, budget), call(false, &a, budget))
                << valueToText(a) << ", budget " << budget;
    }
    EXPECT_EQ(call(true, nullptr, 3), call(false, nullptr, 3)); // no argument: null
    EXPECT_EQ(call(true, &arguments[3], kUnlimitedBudget).substr(0, 12), "-2147483641 ");
    EXPECT_TRUE(reporter.errors.empty());
}

// Field and local updates by a variable, a field set from an argument, a
// native wrapper's pushes and the closing `return this;`, in one method run
// with and without its superinstructions, cut after every budget, for ints
// that wrap, floats, nulls and a counted string.
std::string nativeSeen;
void recordArguments(TValue* cell, int argc, int) {
    nativeSeen += std::to_string(argc) + ":";
    for (int i = argc; i >= 1; --i)
        nativeSeen += valueToText(cell[-i]) + ",";
}

TCodeWriter updatingMethod(uint32_t native) {
    TCodeWriter w;
    auto fieldRef = [&](uint32_t f) {
        w.emit(Op_PushThis);
        w.emit(Op_SMemberValPtr, {f});
    };
    auto fieldValue = [&](uint32_t f) {
        fieldRef(f);
        w.emit(Op_Deref);
    };
    auto argValue = [&](uint32_t a) {
        w.emit(Op_ArgValPtr, {a});
        w.emit(Op_Deref);
    };
    for (TOpcode update : {Op_AddSubst, Op_SubSubst, Op_AddSubst}) { // a += b; a -= b; a += b;
        fieldRef(0);
        fieldValue(1);
        w.emit(update);
        w.emit(Op_Pop);
    }
    fieldRef(2); // t = arg 0;
    argValue(0);
    w.emit(Op_Subst);
    w.emit(Op_Pop);
    w.emit(Op_LocalValPtr, {0}); // l0 = a; l0 += b; l0 -= b;
    fieldValue(0);
    w.emit(Op_Subst);
    w.emit(Op_Pop);
    for (TOpcode update : {Op_AddSubst, Op_SubSubst}) {
        w.emit(Op_LocalValPtr, {0});
        w.emit(Op_LocalValPtr, {1});
        w.emit(Op_Deref);
        w.emit(update);
        w.emit(Op_Pop);
    }
    w.emit(Op_PushThis); // this.native(t, arg 0); this.native(t, arg 0, arg 1);
    fieldValue(2);
    argValue(0);
    w.emit(Op_NativeCall, {2, native});
    w.emit(Op_Pop);
    w.emit(Op_PushThis);
    fieldValue(2);
    argValue(0);
    argValue(1);
    w.emit(Op_NativeCall, {3, native});
    w.emit(Op_Pop);
    w.emit(Op_PushThis);
    w.emit(Op_Ret);
    w.emitHalt();
    return w;
}

TEST_F(SuperinstructionTest, UpdateAssignAndWrapperSequencesGiveThePlainResults) {
    auto run = [&](bool super, const TValue& a, const TValue& b, int32_t budget) {
        TRTTI* cls = newClass({"a", "b", "t"});
        TNativeFunction* native = addNativeMethod(cls, "record", recordArguments);
        TNormalFunction* m = addCodeMethod(cls, "m", 2, 2, updatingMethod(native->id()));
        if (super) {
            EXPECT_EQ(readWord(m->code.codePtr()), uint32_t(Sx_Field_AddSubst_Field_Pop));
        } else {
            withoutSuperinstructions(m->code);
        }
        TCodeWriter w; // this.m("words", 7) with a and b set
        w.emit(Op_PushThis);
        w.emitPushString("words");
        w.emitPush(TValue::ofInt(7));
        w.emitDCall(2, intern("m"));
        w.emit(Op_Ret);
        w.emitHalt();
        TProcess* p = startMain(cls, w);
        TfObject* self = objectAt(p->slot(p->thisSlot)->u);
        self->field(0) = a;
        self->field(1) = b;
        nativeSeen.clear();
        StepBudget = budget;
        ravok::run(p);
        std::string where = cutAt(p, m, cls);
        std::string state = valueToText(self->field(0)) + " " + valueToText(self->field(2));
        StepBudget = kUnlimitedBudget;
        ravok::run(p);
        // Only the field holds the string at the end.
        const TValue& t = self->field(2);
        return where + " " + state + " | " + valueToText(self->field(0)) + " " + valueToText(t) +
               " " + nativeSeen + " " +
               std::to_string(t.kind == vtObject ? objectAt(t.u)->refcount : -1);
    };
    TScopedHold hold([] {});
    const TValue pairs[][2] = {{TValue::ofInt(2147483647), TValue::ofInt(1)},
                               {TValue::ofInt(-5), TValue::ofInt(3)},
                               {TValue::ofFloat(0.5f), TValue::ofInt(2)},
                               {TValue::ofInt(4), TValue::ofFloat(1.25f)},
                               {TValue::null(), TValue::ofInt(9)}};
    for (const auto& pair : pairs) {
        for (int32_t budget = 1; budget < 45; ++budget)
            EXPECT_EQ(run(true, pair[0], pair[1], budget), run(false, pair[0], pair[1], budget))
                << valueToText(pair[0]) << ", " << valueToText(pair[1]) << ", budget " << budget;
    }
    EXPECT_TRUE(reporter.errors.empty());
}

// for (l0 = start; l0 REL bound; l0 += step (or -=)) ; return l0;  with the
// update, its jump back and the loop's test as one superinstruction, against
// the plain loop. `tested` is the local the test reads.
struct TLoopShape {
    TOpcode update = Op_AddSubst;
    TOpcode relation = Op_LT;
    TValue start = TValue::ofInt(0);
    TValue bound = TValue::ofInt(5);
    TValue step = TValue::ofInt(1);
    uint32_t tested = 0;
};

TCodeWriter localLoop(const TLoopShape& shape) {
    TCodeWriter w;
    w.emit(Op_LocalValPtr, {0});
    w.emitPush(shape.start);
    w.emit(Op_Subst);
    w.emit(Op_Pop);
    uint32_t top = w.position();
    w.emit(Op_LocalValPtr, {shape.tested});
    w.emit(Op_Deref);
    w.emitPush(shape.bound);
    w.emit(shape.relation);
    uint32_t toEnd = w.emitJump(Op_JumpZero);
    w.emit(Op_LocalValPtr, {0});
    w.emitPush(shape.step);
    w.emit(shape.update);
    w.emit(Op_Pop);
    w.patchJump(w.emitJump(Op_Jump), top);
    w.patchJump(toEnd, w.position());
    w.emit(Op_LocalValPtr, {0});
    w.emit(Op_Deref);
    w.emit(Op_Ret);
    w.emitHalt();
    return w;
}

TEST_F(SuperinstructionTest, ALoopUpdateAndItsJumpBackGiveThePlainResults) {
    auto run = [&](bool super, const TLoopShape& shape, uint32_t mark, int32_t budget) {
        TRTTI* cls = newClass();
        TNormalFunction* m = addCodeMethod(cls, "m", 0, 2, localLoop(shape));
        if (super)
            EXPECT_EQ(readWord(m->code.codePtr() + 64), mark);
        else
            withoutSuperinstructions(m->code);
        return callCut(cls, m, nullptr, budget);
    };
    auto loop = [](uint32_t first, TOpcode relation) { return first + (relation - Op_GT); };
    std::vector<std::pair<TLoopShape, uint32_t>> shapes;
    // Every relation, counting up and down, ending at once or after turns,
    // and a count that wraps past the largest int.
    for (TOpcode relation : {Op_GT, Op_GTE, Op_LT, Op_LTE, Op_EQ, Op_NEQ}) {
        TLoopShape up{Op_AddSubst, relation, TValue::ofInt(0), TValue::ofInt(5), TValue::ofInt(2)};
        shapes.push_back({up, loop(Sx_Local_AddSubst_Loop_GT, relation)});
        TLoopShape down{Op_SubSubst, relation, TValue::ofInt(5), TValue::ofInt(1),
                        TValue::ofInt(1)};
        shapes.push_back({down, loop(Sx_Local_SubSubst_Loop_GT, relation)});
    }
    shapes.push_back(
        {{Op_AddSubst, Op_GT, TValue::ofInt(2147483640), TValue::ofInt(0), TValue::ofInt(3)},
         Sx_Local_AddSubst_Loop_GT});
    // A float step is no int constant: nothing is marked, the plain
    // instructions run. A float start takes the plain path at run time; a
    // float bound, or a test of another local, is no loop test and keeps the
    // update's own.
    shapes.push_back(
        {{Op_AddSubst, Op_LT, TValue::ofInt(0), TValue::ofInt(5), TValue::ofFloat(1.5f)},
         Op_LocalValPtr});
    shapes.push_back(
        {{Op_AddSubst, Op_LT, TValue::ofFloat(0.5f), TValue::ofInt(5), TValue::ofInt(1)},
         Sx_Local_AddSubst_Loop_LT});
    shapes.push_back(
        {{Op_AddSubst, Op_LT, TValue::ofInt(0), TValue::ofFloat(4.5f), TValue::ofInt(1)},
         Sx_Local_AddSubst_Pop_Jump});
    TLoopShape other{Op_AddSubst, Op_LT};
    other.tested = 1;
    shapes.push_back({other, Sx_Local_AddSubst_Pop_Jump});
    TScopedHold hold([] {});
    for (const auto& [shape, mark] : shapes)
        for (int32_t budget = 1; budget < 60; ++budget)
            EXPECT_EQ(run(true, shape, mark, budget), run(false, shape, mark, budget))
                << valueToText(shape.start) << " step " << valueToText(shape.step) << " relation "
                << shape.relation << ", budget " << budget;
    EXPECT_TRUE(reporter.errors.empty());
}

// v = arg 0; v += c (or -=); if (v REL k) return 1; return v;  with v a
// local or a field: the update and its test as one superinstruction, against
// the plain instructions, for every relation.
TCodeWriter updateThenTest(bool field, TOpcode update, TOpcode relation, int32_t c, int32_t k) {
    TCodeWriter w;
    auto reference = [&] {
        if (field) {
            w.emit(Op_PushThis);
            w.emit(Op_SMemberValPtr, {0});
        } else {
            w.emit(Op_LocalValPtr, {0});
        }
    };
    reference();
    w.emit(Op_ArgValPtr, {0});
    w.emit(Op_Deref);
    w.emit(Op_Subst);
    w.emit(Op_Pop);
    reference();
    w.emitPush(TValue::ofInt(c));
    w.emit(update);
    w.emit(Op_Pop);
    reference();
    w.emit(Op_Deref);
    w.emitPush(TValue::ofInt(k));
    w.emit(relation);
    uint32_t toFalse = w.emitJump(Op_JumpZero);
    w.emitPush(TValue::ofInt(1));
    w.emit(Op_Ret);
    w.patchJump(toFalse, w.position());
    reference();
    w.emit(Op_Deref);
    w.emit(Op_Ret);
    w.emitHalt();
    return w;
}

TEST_F(SuperinstructionTest, AnUpdateAndItsTestGiveThePlainResultsForEveryRelation) {
    auto run = [&](bool super, bool field, TOpcode update, TOpcode relation, const TValue& start,
                   int32_t budget) {
        TRTTI* cls = newClass({"v"});
        TNormalFunction* m =
            addCodeMethod(cls, "m", 1, 1, updateThenTest(field, update, relation, 3, 5));
        uint32_t at = field ? 32 : 28; // past `v = arg 0;`
        if (super) {
            uint32_t first = field ? (update == Op_AddSubst ? Sx_Field_AddSubst_GT_JumpZero
                                                            : Sx_Field_SubSubst_GT_JumpZero)
                                   : (update == Op_AddSubst ? Sx_Local_AddSubst_GT_JumpZero
                                                            : Sx_Local_SubSubst_GT_JumpZero);
            EXPECT_EQ(readWord(m->code.codePtr() + at), first + (relation - Op_GT));
        } else {
            withoutSuperinstructions(m->code);
        }
        return callCut(cls, m, &start, budget);
    };
    TScopedHold hold([] {});
    const TValue starts[] = {TValue::ofInt(2),          TValue::ofInt(1),
                             TValue::ofInt(4),          TValue::ofInt(7),
                             TValue::ofInt(2147483646), TValue::ofInt(-2147483647 - 1),
                             TValue::ofFloat(2.5f),     TValue::null()};
    for (bool field : {false, true})
        for (TOpcode update : {Op_AddSubst, Op_SubSubst})
            for (uint32_t relation = Op_GT; relation <= Op_NEQ; ++relation)
                for (const TValue& start : starts)
                    for (int32_t budget = 1; budget < 18; ++budget)
                        EXPECT_EQ(run(true, field, update, TOpcode(relation), start, budget),
                                  run(false, field, update, TOpcode(relation), start, budget))
                            << (field ? "field " : "local ")
                            << (update == Op_AddSubst ? "+= " : "-= ") << relation << " from "
                            << valueToText(start) << ", budget " << budget;
    EXPECT_TRUE(reporter.errors.empty());
}

// this.m(x) (or this.m("stringArgument")) run with the budget, then to its
// end: the method the cut slice stopped in ("name+offset", else
// "main+offset") and what m returned.
std::string SuperinstructionTest::cutIn(
    std::initializer_list<std::pair<const char*, const TNormalFunction*>> methods, TRTTI* cls,
    const TValue& x, int32_t budget, const char* stringArgument) {
    TCodeWriter w;
    w.emit(Op_PushThis);
    if (stringArgument)
        w.emitPushString(stringArgument);
    else
        w.emitPush(x);
    w.emitDCall(1, intern("m"));
    w.emit(Op_Ret);
    w.emitHalt();
    TProcess* p = startMain(cls, w);
    StepBudget = budget;
    ravok::run(p);
    TArenaOffset at = arenaOffset(p->ip);
    std::string where = "main+" + std::to_string(at - cls->initCode->codeStart());
    for (auto [name, f] : methods)
        if (f->code.contains(at)) where = name + ("+" + std::to_string(at - f->code.codeStart()));
    StepBudget = kUnlimitedBudget;
    ravok::run(p);
    return where + " " + (p->result ? valueToText(*p->result) : std::string("none"));
}

// local = argument 0;
void localFromArgument(TCodeWriter& w, uint32_t local) {
    w.emit(Op_LocalValPtr, {local});
    w.emit(Op_ArgValPtr, {0});
    w.emit(Op_Deref);
    w.emit(Op_Subst);
    w.emit(Op_Pop);
}

// id(x) { return x; }  loc(x) { var l0 = x; return l0; }  and m(x), which
// calls them on this with x, a local and both plus or minus constants that
// make ints wrap, and returns the sums and differences of what they gave.
struct TSelfCalls {
    TNormalFunction* id;
    TNormalFunction* loc;
    TNormalFunction* m;
    std::vector<std::pair<uint32_t, uint32_t>> marks; // (position in m, superinstruction)
};

TSelfCalls addSelfCalls(TRTTI* cls) {
    TSelfCalls c;
    TCodeWriter id;
    id.emit(Op_ArgValPtr, {0});
    id.emit(Op_Deref);
    id.emit(Op_Ret);
    id.emitHalt();
    c.id = addCodeMethod(cls, "id", 1, 0, id);
    TCodeWriter loc;
    localFromArgument(loc, 0);
    loc.emit(Op_LocalValPtr, {0});
    loc.emit(Op_Deref);
    loc.emit(Op_Ret);
    loc.emitHalt();
    c.loc = addCodeMethod(cls, "loc", 1, 1, loc);
    uint32_t idIndex = uint32_t(cls->methodIndexByName("id"));
    uint32_t locIndex = uint32_t(cls->methodIndexByName("loc"));
    TCodeWriter w;
    localFromArgument(w, 0); // l0 = x;
    // this.f(variable [+|- constant]), then the operation with what is below
    auto call = [&](bool arg, TOpcode sum, int32_t constant, uint32_t method, TOpcode then,
                    uint32_t mark) {
        c.marks.push_back({w.position(), mark});
        w.emit(Op_PushThis);
        w.emit(arg ? Op_ArgValPtr : Op_LocalValPtr, {0});
        w.emit(Op_Deref);
        if (sum != Op_Halt) {
            w.emitPush(TValue::ofInt(constant));
            w.emit(sum);
        }
        w.emit(Op_SCall, {1, method});
        if (then != Op_Halt) w.emit(then);
    };
    call(true, Op_Halt, 0, idIndex, Op_Halt, Sx_This_Arg_SCall);
    call(false, Op_Halt, 0, locIndex, Op_Add, Sx_This_Local_SCall);
    call(true, Op_Add, 2147483647, idIndex, Op_Add, Sx_This_ArgAdd_SCall);
    call(true, Op_Sub, -2147483647 - 1, locIndex, Op_Sub, Sx_This_ArgSub_SCall);
    call(false, Op_Add, 5, idIndex, Op_Add, Sx_This_LocalAdd_SCall);
    call(false, Op_Sub, 7, locIndex, Op_Halt, Sx_This_LocalSub_SCall);
    c.marks.push_back({w.position(), Sx_Sub_Ret});
    w.emit(Op_Sub);
    w.emit(Op_Ret);
    w.emitHalt();
    c.m = addCodeMethod(cls, "m", 1, 1, w);
    return c;
}

TEST_F(SuperinstructionTest, SelfCallsAndReturnsGiveThePlainResults) {
    auto run = [&](bool super, const TValue& x, int32_t budget) {
        TRTTI* cls = newClass();
        TSelfCalls c = addSelfCalls(cls);
        if (super) {
            EXPECT_EQ(readWord(c.id->code.codePtr()), uint32_t(Sx_Arg_Ret));
            EXPECT_EQ(readWord(c.loc->code.codePtr() + 28), uint32_t(Sx_Local_Ret));
            for (auto [at, mark] : c.marks)
                EXPECT_EQ(readWord(c.m->code.codePtr() + at), mark) << "at " << at;
        } else {
            for (TNormalFunction* f : {c.id, c.loc, c.m})
                withoutSuperinstructions(f->code);
        }
        return cutIn({{"id", c.id}, {"loc", c.loc}, {"m", c.m}}, cls, x, budget);
    };
    TScopedHold hold([] {});
    const TValue arguments[] = {TValue::ofInt(3), TValue::ofInt(-2147483647 - 1),
                                TValue::ofInt(2147483647), TValue::ofFloat(1.5f), TValue::null()};
    for (const TValue& x : arguments)
        for (int32_t budget = 1; budget < 75; ++budget)
            EXPECT_EQ(run(true, x, budget), run(false, x, budget))
                << valueToText(x) << ", budget " << budget;
    EXPECT_EQ(run(true, arguments[0], kUnlimitedBudget), "main+32 17");
    EXPECT_TRUE(reporter.errors.empty());
}

// A counted argument passed on by the fused self calls and returned: the
// string is joined as the plain instructions join it, and when the call is
// over only its own holder counts it.
TEST_F(SuperinstructionTest, SelfCallsCountAStringArgumentOnce) {
    auto run = [&](bool super) {
        TRTTI* cls = newClass({"s"});
        TSelfCalls c = addSelfCalls(cls);
        TCodeWriter w; // s = "words"; return this.m2(s);  with m2(x) { return id(x) + loc(x); }
        if (!super)
            for (TNormalFunction* f : {c.id, c.loc})
                withoutSuperinstructions(f->code);
        TCodeWriter m2;
        localFromArgument(m2, 0);
        m2.emit(Op_PushThis);
        m2.emit(Op_ArgValPtr, {0});
        m2.emit(Op_Deref);
        m2.emit(Op_SCall, {1, uint32_t(cls->methodIndexByName("id"))});
        m2.emit(Op_PushThis);
        m2.emit(Op_LocalValPtr, {0});
        m2.emit(Op_Deref);
        m2.emit(Op_SCall, {1, uint32_t(cls->methodIndexByName("loc"))});
        m2.emit(Op_Add);
        m2.emit(Op_Ret);
        m2.emitHalt();
        TNormalFunction* f = addCodeMethod(cls, "m2", 1, 1, m2);
        if (!super) withoutSuperinstructions(f->code);
        w.emit(Op_PushThis);
        w.emit(Op_SMemberValPtr, {0});
        w.emitPushString("words");
        w.emit(Op_Subst);
        w.emit(Op_Pop);
        w.emit(Op_PushThis);
        w.emit(Op_PushThis);
        w.emit(Op_SMemberValPtr, {0});
        w.emit(Op_Deref);
        w.emitDCall(1, intern("m2"));
        w.emit(Op_Ret);
        w.emitHalt();
        TProcess* p = startMain(cls, w);
        TfObject* self = objectAt(p->slot(p->thisSlot)->u);
        ravok::run(p);
        if (!p->finished || !p->result) return std::string("unfinished");
        const TValue& s = self->field(0);
        return valueToText(*p->result) + " " +
               std::to_string(s.kind == vtObject ? objectAt(s.u)->refcount : -1);
    };
    TScopedHold hold([] {});
    EXPECT_EQ(run(true), "wordswords 1");
    EXPECT_EQ(run(false), "wordswords 1");
    EXPECT_TRUE(reporter.errors.empty());
}

// m(x) { var d = new D(), y = x; return d.seven() + d.inc(y) + d.inc(5); }
// with D.seven() { return 7; } and D.inc(v) { return v + 1; }: calls on a
// local of another class with no argument, a local and a constant, against
// the plain instructions; and on a local that holds no instance.
TEST_F(SuperinstructionTest, CallsOnALocalGiveThePlainResults) {
    auto run = [&](bool super, bool instance, const TValue& x, int32_t budget) {
        TRTTI* d = newClass();
        TCodeWriter seven;
        seven.emitPush(TValue::ofInt(7));
        seven.emit(Op_Ret);
        seven.emitHalt();
        TNormalFunction* s7 = addCodeMethod(d, "seven", 0, 0, seven);
        TCodeWriter inc;
        inc.emit(Op_ArgValPtr, {0});
        inc.emit(Op_Deref);
        inc.emitPush(TValue::ofInt(1));
        inc.emit(Op_Add);
        inc.emit(Op_Ret);
        inc.emitHalt();
        TNormalFunction* i1 = addCodeMethod(d, "inc", 1, 0, inc);
        TRTTI* cls = newClass();
        TCodeWriter w;
        w.emit(Op_LocalValPtr, {0});
        w.emitPush(TValue::null());
        if (instance) w.emit(Op_Constructor, {0, d->classId()});
        w.emit(Op_Subst);
        w.emit(Op_Pop);
        localFromArgument(w, 1);
        std::vector<std::pair<uint32_t, uint32_t>> marks;
        auto local = [&](uint32_t k) {
            w.emit(Op_LocalValPtr, {k});
            w.emit(Op_Deref);
        };
        marks.push_back({w.position(), Sx_Local_DCall});
        local(0);
        w.emitDCall(0, intern("seven"));
        marks.push_back({w.position(), Sx_Local_Local_DCall});
        local(0);
        local(1);
        w.emitDCall(1, intern("inc"));
        w.emit(Op_Add);
        marks.push_back({w.position(), Sx_Local_Push_DCall});
        local(0);
        w.emitPush(TValue::ofInt(5));
        w.emitDCall(1, intern("inc"));
        w.emit(Op_Add);
        w.emit(Op_Ret);
        w.emitHalt();
        TNormalFunction* m = addCodeMethod(cls, "m", 1, 2, w);
        if (super) {
            for (auto [at, mark] : marks)
                EXPECT_EQ(readWord(m->code.codePtr() + at), mark) << "at " << at;
        } else {
            for (TNormalFunction* f : {s7, i1, m})
                withoutSuperinstructions(f->code);
        }
        reporter.errors.clear();
        clearLastWarning(); // a repeated warning is shown once
        std::string result = cutIn({{"seven", s7}, {"inc", i1}, {"m", m}}, cls, x, budget);
        for (const std::string& e : reporter.errors)
            result += " | " + e;
        return result;
    };
    TScopedHold hold([] {});
    const TValue arguments[] = {TValue::ofInt(2), TValue::ofInt(2147483647), TValue::ofFloat(0.25f),
                                TValue::null()};
    for (bool instance : {true, false})
        for (const TValue& x : arguments)
            for (int32_t budget = 1; budget < 40; ++budget)
                EXPECT_EQ(run(true, instance, x, budget), run(false, instance, x, budget))
                    << (instance ? "instance, " : "null, ") << valueToText(x) << ", budget "
                    << budget;
    // 7 + (2147483647 + 1, wrapped) + 6
    EXPECT_EQ(run(true, true, arguments[1], kUnlimitedBudget), "main+32 -2147483635");
}

// m(x) { l0 = "開始"; l0 = l0 + "a表\"; l1 = l0; l0 = l0 + "b"; l1 = l1 + "c";
// l2 = x; l2 = l2 + "d"; return l0 + l1 + l2 + x; }  in Shift-JIS, where the
// second byte of 表 is a backslash: literals joined on a local's string as one
// step where the local alone holds it, and by the plain instructions where the
// string is shared (l1 = l0, or x in l2), against the plain instructions.
TEST_F(SuperinstructionTest, ALiteralJoinedOnALocalGivesThePlainResults) {
    auto run = [&](bool super, const TValue& x, int32_t budget) {
        TRTTI* cls = newClass();
        TCodeWriter w;
        auto setLocal = [&](uint32_t k, auto push) {
            w.emit(Op_LocalValPtr, {k});
            push();
            w.emit(Op_Subst);
            w.emit(Op_Pop);
        };
        std::vector<uint32_t> joins;
        auto append = [&](uint32_t k, std::string_view literal) {
            joins.push_back(w.position());
            w.emit(Op_LocalValPtr, {k});
            w.emit(Op_LocalValPtr, {k});
            w.emit(Op_Deref);
            w.emitPushString(literal);
            w.emit(Op_Add);
            w.emit(Op_Subst);
            w.emit(Op_Pop);
        };
        auto local = [&](uint32_t k) {
            w.emit(Op_LocalValPtr, {k});
            w.emit(Op_Deref);
        };
        setLocal(0, [&] { w.emitPushString("\x8A\x4A\x8E\x6E"); });
        append(0, "a\x95\x5C\\");
        setLocal(1, [&] { local(0); });
        append(0, "b");
        append(1, "c");
        setLocal(2, [&] {
            w.emit(Op_ArgValPtr, {0});
            w.emit(Op_Deref);
        });
        append(2, "d");
        local(0);
        local(1);
        w.emit(Op_Add);
        local(2);
        w.emit(Op_Add);
        w.emit(Op_ArgValPtr, {0});
        w.emit(Op_Deref);
        w.emit(Op_Add);
        w.emit(Op_Ret);
        w.emitHalt();
        TNormalFunction* m = addCodeMethod(cls, "m", 1, 3, w);
        if (super) {
            for (uint32_t at : joins)
                EXPECT_EQ(readWord(m->code.codePtr() + at), uint32_t(Sx_Local_Append_Literal));
        } else {
            withoutSuperinstructions(m->code);
        }
        // a string argument is held by the caller too: its text must stay as it was
        return cutIn({{"m", m}}, cls, x, budget, x.kind == vtNull ? "x\x95\x5C" : nullptr);
    };
    TScopedHold hold([] {});
    // null stands for a string argument here; 5 and 2.5 are added as numbers
    const TValue arguments[] = {TValue::null(), TValue::ofInt(5), TValue::ofFloat(2.5f)};
    for (const TValue& x : arguments)
        for (int32_t budget = 1; budget < 50; ++budget)
            EXPECT_EQ(run(true, x, budget), run(false, x, budget))
                << valueToText(x) << ", budget " << budget;
    EXPECT_EQ(run(true, TValue::null(), kUnlimitedBudget), "main+32 \x8A\x4A\x8E\x6E"
                                                           "a\x95\x5C\\b\x8A\x4A\x8E\x6E"
                                                           "a\x95\x5C\\cx\x95\x5C"
                                                           "dx\x95\x5C");
    EXPECT_TRUE(reporter.errors.empty());
}

} // namespace
} // namespace ravok::test
