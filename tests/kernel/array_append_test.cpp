// Calls of Array.add, get and set that run in place end their slices
// exactly where running the method would: at every budget, the process
// stands at the same instruction with the same stack and the list holds the
// same elements.
#include "runtime/function.h"
#include "runtime/interpreter.h"
#include "runtime/pool.h"
#include "runtime/process.h"
#include "runtime/resource.h"
#include "runtime/rtti.h"
#include "runtime/symbols.h"
#include "runtime/tf_object.h"
#include "runtime/value_list.h"
#include "runtime/wrapper_inlining.h"

#include "kernel_fixture.h"

#include <gtest/gtest.h>

#include <string>

namespace ravok {

bool compileForTest(TRTTI* c, const std::string& source);

namespace {

class ArrayAppendTest : public KernelTest {
protected:
    void TearDown() override {
        gAppendInPlace = true;
        KernelTest::TearDown();
    }
};

// A process of the instance's method, held by the test, which frees it.
TProcess* processOf(uint32_t instance, TRTTI* cls, const char* method) {
    TProcess* p = createProcess(TValue::ofObject(instance), {}, cls->methodByName(method));
    p->hostOwned = true;
    return p;
}

// Where a process of `fill` stands after `budget` instructions: the method
// of its frame, the offset in that method's code, the depth of its stack, how
// many elements the list has and how many instructions the run reported.
std::string cutAfter(TRTTI* cls, int32_t budget, bool inPlace) {
    gAppendInPlace = inPlace;
    uint32_t instance = allocateInstance(cls);
    ++objectAt(instance)->refcount;
    // The list is made beforehand: a slice cut inside Array's constructor
    // would leave a list without its handle for the destructor to find.
    TProcess* prepare = processOf(instance, cls, "prepare");
    run(prepare, kUnlimitedBudget);
    freeProcess(prepare);
    TProcess* p = processOf(instance, cls, "fill");
    int32_t used = run(p, budget);
    std::string where = "used " + std::to_string(used);
    if (p->fp) {
        TFunction* fn = functionById(frame::get(p->fp, frame::kMethod));
        auto* code = dynamic_cast<TNormalFunction*>(fn);
        where += " in " + (fn ? fn->nameText() : std::string("?"));
        if (code) where += " at " + std::to_string(p->ip - code->code.codePtr());
        where += " depth " + std::to_string(p->stackBlock + p->stackSize - p->sp);
    } else {
        where += " finished";
    }
    const TValue& list = objectAt(instance)->field(cls->fields.indexOf(intern("list")));
    if (list.kind == vtObject) {
        const TValue& handle = objectAt(list.u)->field(gCore.arrayList);
        if (auto* items =
                static_cast<TValueList*>(THostRegistry::instance().find(handle, THostKind::List))) {
            where += " size " + std::to_string(items->count()) + ":";
            for (int32_t i = 0; i < items->count(); ++i)
                where += " " + (items->cell(i)->kind == vtInt ? std::to_string(items->cell(i)->i)
                                                              : std::string("-"));
        }
    }
    freeProcess(p);
    --objectAt(instance)->refcount;
    return where;
}

// Compiles a class with `prepare` and `fill` and checks that a whole run of
// fill runs `inPlace` calls in place and leaves `contents` (as cutAfter
// writes them), and that a run cut at every budget stands where the run
// that enters the methods stands.
void expectTheSameAtEveryBudget(const char* name, const std::string& source, uint64_t inPlace,
                                const std::string& contents) {
    auto* c = new TRTTI(name);
    resourceRoot()->lookup("classes.lang")->addChild(std::unique_ptr<TResource>(c));
    ASSERT_TRUE(compileForTest(c, source));
    // A first run warms the call sites' cache words: a call through a cold
    // one finds its method by name and runs it.
    std::string plain = cutAfter(c, 100000, false);
    uint64_t before = gInPlaceRuns;
    std::string whole = cutAfter(c, 100000, true);
    EXPECT_EQ(gInPlaceRuns - before, inPlace) << "calls that ran in place";
    EXPECT_EQ(whole, plain);
    EXPECT_NE(whole.find(contents), std::string::npos) << whole;
    for (int32_t budget = 1; budget <= 400; ++budget)
        ASSERT_EQ(cutAfter(c, budget, true), cutAfter(c, budget, false)) << "budget " << budget;
}

TEST_F(ArrayAppendTest, SlicesOfAnyBudgetEndWhereTheMethodWouldEndThem) {
    expectTheSameAtEveryBudget("AppendingLoop",
                               "extends Object;\n"
                               "function prepare() { list = new Array(); }\n"
                               "function fill() {\n"
                               "    var i;\n"
                               "    for (i = 0; i < 12; i++) list.add(i).add(\"表\");\n"
                               "}\n",
                               24, "size 24: 0 - 1 -");
}

TEST_F(ArrayAppendTest, SetsCutAtAnyBudgetEndWhereTheMethodWouldEndThem) {
    // Every set and prepare's three adds run in place.
    expectTheSameAtEveryBudget("SettingLoop",
                               "extends Object;\n"
                               "function prepare() {\n"
                               "    list = new Array(); list.add(0); list.add(0); list.add(0);\n"
                               "}\n"
                               "function fill() {\n"
                               "    var i, s;\n"
                               "    for (i = 0; i < 12; i++) s += list.set(i % 3, i * 7);\n"
                               "    list.set(1, s);\n"
                               "}\n",
                               16, "size 3: 63 462 77");
}

TEST_F(ArrayAppendTest, GetsCutAtAnyBudgetEndWhereTheMethodWouldEndThem) {
    // Every get, the set and prepare's three adds run in place.
    expectTheSameAtEveryBudget("GettingLoop",
                               "extends Object;\n"
                               "function prepare() {\n"
                               "    list = new Array(); list.add(5); list.add(7); list.add(0);\n"
                               "}\n"
                               "function fill() {\n"
                               "    var i, s;\n"
                               "    for (i = 0; i < 12; i++) s += list.get(i % 3) * i;\n"
                               "    list.set(2, s);\n"
                               "}\n",
                               16, "size 3: 5 7 244");
}

TEST_F(ArrayAppendTest, AnArrayLeftHalfBuiltByAStoppedProcessIsFreedWithoutAnError) {
    auto* c = new TRTTI("HalfBuiltArrays");
    resourceRoot()->lookup("classes.lang")->addChild(std::unique_ptr<TResource>(c));
    ASSERT_TRUE(compileForTest(c, "extends Object;\nfunction make() { list = new Array(); }\n"));
    // Every budget stops the process at another point of the constructor;
    // freeing it then destroys the array it was building.
    for (int32_t budget = 1; budget <= 12; ++budget) {
        uint32_t instance = allocateInstance(c);
        ++objectAt(instance)->refcount;
        TProcess* p = processOf(instance, c, "make");
        run(p, budget);
        freeProcess(p);
        --objectAt(instance)->refcount;
    }
    // The fixture fails the test on any error reported.
}

} // namespace
} // namespace ravok
